// The module behind opencvcodecs.h: OpenCV's codecs, linked here and nowhere else in the library.
#include "../opencvcodecs.h"

#include <opencv2/imgcodecs.hpp>

namespace {

const KORA::detail::OpenCvCodecs kTable{
    [](const std::string& path) { return cv::imread(path, cv::IMREAD_UNCHANGED); },
    [](const cv::Mat& bytes) { return cv::imdecode(bytes, cv::IMREAD_UNCHANGED); },
    [](const std::string& extension, const cv::Mat& plane, std::vector<unsigned char>& bytes,
       const std::vector<int>& params) { return cv::imencode(extension, plane, bytes, params); },
};

} // namespace

extern "C" __attribute__((visibility("default"))) const KORA::detail::OpenCvCodecs* KoraOpenCvCodecs()
{
    return &kTable;
}
