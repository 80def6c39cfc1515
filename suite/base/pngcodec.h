#pragma once
// Plain PNG files read and written with libpng itself, so that a batch of PNG files never loads OpenCV's
// codecs (opencvcodecs.h). Only what both decoders give alike takes this path: grey or colour samples of 8
// or 16 bits without transparency, as cv::imread with IMREAD_UNCHANGED gives them (colour in B, G, R order,
// 16-bit samples in the host's order). Everything else, and every file libpng cannot read, is left to
// OpenCV, which then decodes or refuses it in its own words.
#include <opencv2/core/mat.hpp>

#include <string>
#include <vector>

namespace KORA::detail {

// False, with out untouched, when the file is not such a plain PNG or cannot be read.
bool ReadPlainPng(const std::string& path, cv::Mat& out);

// Encodes an 8-bit grey, 16-bit grey or 8-bit B, G, R plane at zlib level 0 to 9; false for other planes.
bool EncodePlainPng(const cv::Mat& plane, int level, std::vector<unsigned char>& bytes);

} // namespace KORA::detail
