#pragma once
// Pixel work of the image viewer: statistics, the contrast window, and 8-bit pictures of planes. Kept
// apart from the widgets so that each conversion happens once per image or plane, never per paint.
#include <cstdint>

#include <QImage>
#include <QRect>
#include <QString>

#include "kora/image.h"

namespace viewers {

struct Statistics
{
    double min = 0.0;
    double max = 0.0;
    double mean = 0.0;
    double sigma = 0.0;
    int64_t count = 0; // samples counted; non-finite floats are left out
};

// The statistics of a whole image (every plane) and the two grey windows the viewer offers: min..max and
// a robust one between the 0.1 % and 99.9 % percentiles, which ignores a few hot or dead pixels.
struct ImageAnalysis
{
    Statistics stats;
    double robustLow = 0.0;
    double robustHigh = 0.0;
};

// RGB counts every channel value, COMPLEX_F its magnitude, masks their 0 and 1.
ImageAnalysis AnalyseImage(const KORA::CImage& image);
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
