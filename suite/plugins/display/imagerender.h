#pragma once
// Pixel work of the image viewer: statistics, the contrast window, and 8-bit pictures of planes. Kept
// apart from the widgets so that each conversion happens once per image or plane, never per paint.
#include <cstdint>

#include <QImage>
#include <QRect>
#include <QString>

#include "kora/contrast.h"
#include "kora/image.h"

namespace viewers {

// The statistics and grey windows of the base library, which the report thumbnails share.
using Statistics = KORA::ImageStatistics;
using ImageAnalysis = KORA::ImageAnalysis;
using KORA::AnalyseImage;
// The statistics of a rectangle of one plane, clipped to the image; empty statistics when nothing is left.
Statistics RegionStatistics(const KORA::CImage& image, int64_t z, const QRect& region);

// Whether the viewer draws this type at all.
bool CanRender(KORA::ImageType type);
// One plane as a picture: RGB_8 as Format_RGB888, everything else as Format_Grayscale8. 8-bit grey is
// shown as is, masks as black and white, 16-bit, float and complex magnitude mapped from low..high to
// 0..255. CException when the plane is too large for a picture.
QImage RenderPlane(const KORA::CImage& image, int64_t z, double low, double high);
// Half the size by area averaging: the next level of the zoom-out pyramid.
QImage HalveImage(const QImage& picture);
// The pixel's value as the status line shows it; empty outside the image.
QString PixelText(const KORA::CImage& image, int64_t x, int64_t y, int64_t z);
// Integers without a fraction, other numbers with six significant digits.
QString NumberText(double value, bool integral);
// Whether the type's values are integers.
bool IntegralType(KORA::ImageType type);

} // namespace viewers
