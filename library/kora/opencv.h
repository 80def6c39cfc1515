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
// Draws plane z into target (CV_8UC3 for RGB_8, CV_8UC1 otherwise, the plane's size): 8-bit grey and RGB
// as they are, masks as 0 and 255, every other type mapped from low..high to 0..255 (see kora/contrast.h).
KORA_API void RenderPlane(const CImage& image, int64_t z, double low, double high, cv::Mat& target);

} // namespace KORA
