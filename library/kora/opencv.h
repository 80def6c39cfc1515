#pragma once
// cv::Mat views of image planes, without copying. Not part of kora/kora.h, so that OpenCV's headers
// reach only the code that asks for them.
#include <opencv2/core.hpp>

#include "kora/image.h"

namespace KORA {

// CV_8UC1, CV_16UC1, CV_8UC3 (R, G, B order), CV_32FC1, CV_32FC2, and CV_8UC1 for the mask types.
KORA_API int CvType(ImageType type);
// The plane's pixels as a Mat that shares the image's buffer; valid while the image lives unchanged.
KORA_API cv::Mat PlaneMat(CImage& image, int64_t z = 0);
KORA_API cv::Mat PlaneMat(const CImage& image, int64_t z = 0);
// A new image of the given type holding a copy of a 2-D Mat whose depth and channels match the type.
KORA_API CImage* ImageFromMat(const cv::Mat& mat, ImageType type);

} // namespace KORA
