#pragma once
// OpenCV's image codecs bring some 120 libraries with them (GDAL and everything it reads), and loading them
// costs a process about 115 ms, nearly all of a short run's start-up. They live in a module of their own,
// loaded the first time a file needs them; plain PNG files, the common case of a batch, are read and
// written with libpng directly (pngcodec.h) and never load it.
//
// The module and this library agree on this table; the module exports it as KoraOpenCvCodecs().
#include <opencv2/core/mat.hpp>

#include <string>
#include <vector>

namespace KORA::detail {

struct OpenCvCodecs
{
    // cv::imread with IMREAD_UNCHANGED; empty when the file cannot be decoded.
    cv::Mat (*read)(const std::string& path);
    // cv::imdecode with IMREAD_UNCHANGED.
    cv::Mat (*decode)(const cv::Mat& bytes);
    bool (*encode)(const std::string& extension, const cv::Mat& plane, std::vector<unsigned char>& bytes,
                   const std::vector<int>& params);
};

// The table, loading the module beside this library on first use (thread-safe). Throws CExIo naming the
// module when it cannot be loaded; a later call tries again.
const OpenCvCodecs& Codecs();

} // namespace KORA::detail
