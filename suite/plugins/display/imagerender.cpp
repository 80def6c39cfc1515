#include "imagerender.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <complex>
#include <limits>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "kora/exception.h"
#include "kora/opencv.h"

namespace viewers {

bool IntegralType(KORA::ImageType type)
{
    return KORA::IntegralImageType(type);
}

bool CanRender(KORA::ImageType type)
{
    return KORA::ImagePixelSize(type) != 0;
}

Statistics RegionStatistics(const KORA::CImage& image, int64_t z, const QRect& region)
{
    return KORA::RegionStatistics(image, z, region.left(), region.top(), int64_t(region.left()) + region.width(),
                                  int64_t(region.top()) + region.height());
}

QImage RenderPlane(const KORA::CImage& image, int64_t z, double low, double high)
{
    const KORA::CSize size = image.Size();
    if (size.Width() > INT_MAX / 4 || size.Height() > INT_MAX / 4)
        throw KORA::CException("an image of " + size.ToString() + " pixels is too large to display", "Display");
    const int w = static_cast<int>(size.Width()), h = static_cast<int>(size.Height());
    const bool rgb = image.Type() == KORA::IMAGE_RGB_8;
    QImage picture(w, h, rgb ? QImage::Format_RGB888 : QImage::Format_Grayscale8);
    if (picture.isNull())
        throw KORA::CException("not enough memory to display an image of " + size.ToString() + " pixels", "Display");
    // The picture's own buffer is the destination, so each conversion writes every pixel exactly once.
    cv::Mat target(h, w, rgb ? CV_8UC3 : CV_8UC1, picture.bits(), static_cast<std::size_t>(picture.bytesPerLine()));
    KORA::RenderPlane(image, z, low, high, target);
    return picture;
}

QImage HalveImage(const QImage& picture)
{
    const bool rgb = picture.format() == QImage::Format_RGB888;
    const int w = std::max(1, (picture.width() + 1) / 2), h = std::max(1, (picture.height() + 1) / 2);
    QImage half(w, h, picture.format());
    const int type = rgb ? CV_8UC3 : CV_8UC1;
    const cv::Mat source(picture.height(), picture.width(), type, const_cast<uchar*>(picture.constBits()),
                         static_cast<std::size_t>(picture.bytesPerLine()));
    cv::Mat target(h, w, type, half.bits(), static_cast<std::size_t>(half.bytesPerLine()));
    cv::resize(source, target, target.size(), 0, 0, cv::INTER_AREA);
    return half;
}

QString NumberText(double value, bool integral)
{
    if (integral && std::isfinite(value) && std::abs(value) < 9e15)
        return QString::number(static_cast<qint64>(std::llround(value)));
    return QString::number(value, 'g', 6);
}

QString PixelText(const KORA::CImage& image, int64_t x, int64_t y, int64_t z)
{
    const KORA::CSize size = image.Size();
    if (x < 0 || y < 0 || z < 0 || x >= size.Width() || y >= size.Height() || z >= size.Depth())
        return QString();
    switch (image.Type()) {
    case KORA::IMAGE_GREY_16:
        return QString::number(image.Row<uint16_t>(y, z)[x]);
    case KORA::IMAGE_GREY_F:
        return NumberText(image.Row<float>(y, z)[x], false);
    case KORA::IMAGE_COMPLEX_F: {
        const float* pixel = image.Row<float>(y, z) + 2 * x;
        return QStringLiteral("%1%2%3i")
            .arg(NumberText(pixel[0], false), pixel[1] < 0 ? QStringLiteral("-") : QStringLiteral("+"),
                 NumberText(std::abs(pixel[1]), false));
    }
    case KORA::IMAGE_RGB_8: {
        const uint8_t* pixel = image.Row<uint8_t>(y, z) + 3 * x;
        return QStringLiteral("%1, %2, %3").arg(pixel[0]).arg(pixel[1]).arg(pixel[2]);
    }
    default:
        return QString::number(image.Row<uint8_t>(y, z)[x]);
    }
}

} // namespace viewers
