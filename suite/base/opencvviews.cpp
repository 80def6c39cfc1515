#include "kora/opencv.h"

#include <climits>
#include <memory>

namespace KORA {

int CvType(ImageType type)
{
    switch (type) {
    case IMAGE_GREY_8:
    case IMAGE_BOOL:
    case IMAGE_BINARY_BG:
    case IMAGE_BINARY_FG:
        return CV_8UC1;
    case IMAGE_GREY_16:
        return CV_16UC1;
    case IMAGE_RGB_8:
        return CV_8UC3;
    case IMAGE_GREY_F:
        return CV_32FC1;
    case IMAGE_COMPLEX_F:
        return CV_32FC2;
    }
    throw CExBadType("no OpenCV type for image type " + std::to_string(static_cast<int>(type)), "CvType");
}

namespace {

cv::Mat MakePlaneMat(const CImage& image, int64_t z, uint8_t* data)
{
    const CSize size = image.Size();
    if (z < 0 || (z >= size.Depth() && !image.Empty()))
        throw CException("plane " + std::to_string(z) + " outside an image of " + size.ToString(), "PlaneMat");
    if (image.Empty())
        return cv::Mat(static_cast<int>(0), static_cast<int>(0), CvType(image.Type()));
    if (size.Width() > INT_MAX || size.Height() > INT_MAX)
        throw CException("a plane of " + size.ToString() + " pixels is too large for a cv::Mat", "PlaneMat");
    return cv::Mat(static_cast<int>(size.Height()), static_cast<int>(size.Width()), CvType(image.Type()),
                   data + static_cast<std::size_t>(z) * image.PlaneBytes(), image.RowBytes());
}

} // namespace

cv::Mat PlaneMat(CImage& image, int64_t z)
{
    return MakePlaneMat(image, z, image.Data());
}

// cv::Mat has no read-only form: the view of a const image must not be written to.
cv::Mat PlaneMat(const CImage& image, int64_t z)
{
    return MakePlaneMat(image, z, const_cast<uint8_t*>(image.Data()));
}

CImage* ImageFromMat(const cv::Mat& mat, ImageType type)
{
    const int cvType = CvType(type);
    if (mat.dims > 2)
        throw CExBadType("a cv::Mat of " + std::to_string(mat.dims) + " dimensions is not a plane", "ImageFromMat");
    if (mat.type() != cvType)
        throw CExBadType(std::string("a cv::Mat of type ") + cv::typeToString(mat.type()) + " cannot hold a " +
                             ImageTypeName(type) + " image",
                         "ImageFromMat");
    auto image = std::make_unique<CImage>(type, CSize(mat.cols, mat.rows, 1));
    if (image->Empty())
        return image.release();
    cv::Mat view = PlaneMat(*image, 0);
    mat.copyTo(view);
    // Masks hold 0 or 1 whatever the Mat used for "set" (OpenCV's own masks use 255).
    if (IsMaskType(type))
        cv::min(view, 1, view);
    return image.release();
}

} // namespace KORA
