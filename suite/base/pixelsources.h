#pragma once
// Decoders for the image formats OpenCV's codecs do not read: GIF and TGA through stb_image, and ICO, a
// directory of PNG and BMP entries, whose largest entry OpenCV decodes. Each gives one page in OpenCV's
// channel order (grey, grey + alpha, B G R, or B G R A), for CImageIo2 to bring into our types.
#include <string>

#include <opencv2/core.hpp>

namespace KORA {
namespace PixelSources {

// bytes: the whole file. CExIo naming path when the file is not of the format, is corrupt, or claims an
// image above the size limit.
cv::Mat DecodeWithStb(const std::string& bytes, const std::string& path, const char* formatName);
cv::Mat DecodeTga(const std::string& bytes, const std::string& path);
cv::Mat DecodeIco(const std::string& bytes, const std::string& path);

} // namespace PixelSources
} // namespace KORA
