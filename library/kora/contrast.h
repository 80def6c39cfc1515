#pragma once
// The grey window of the image viewer's automatic contrast, and 8-bit pictures drawn with it. One place
// for both, so that the viewer and the small pictures of a batch report stretch an image the same way.
#include <cstdint>

#include "kora/image.h"

namespace KORA {

struct ImageStatistics
{
    double min = 0.0;
    double max = 0.0;
    double mean = 0.0;
    double sigma = 0.0;
    int64_t count = 0; // samples counted; non-finite floats are left out
};

// The statistics of a whole image (every plane) and two grey windows: min..max and a robust one between
// the 0.1 % and 99.9 % percentiles, which ignores a few hot or dead pixels.
struct ImageAnalysis
{
    ImageStatistics stats;
    double robustLow = 0.0;
    double robustHigh = 0.0;
};

// RGB counts every channel value, COMPLEX_F its magnitude, masks their 0 and 1.
KORA_API ImageAnalysis AnalyseImage(const CImage& image);
// The statistics of the rectangle [x0, x1) x [y0, y1) of one plane, clipped to the image; empty statistics
// when nothing is left.
KORA_API ImageStatistics RegionStatistics(const CImage& image, int64_t z, int64_t x0, int64_t y0, int64_t x1,
                                          int64_t y1);
// Whether the type's values are integers.
KORA_API bool IntegralImageType(ImageType type) noexcept;
// A picture of the first plane, at most longSide pixels on its long side (never enlarged): RGB_8 as
// RGB_8, everything else as GREY_8. 8-bit grey is kept as is, masks become black and white, 16-bit, float
// and complex magnitude are stretched over the robust window, as the viewer shows them. A new image the
// caller owns; CException for an empty image.
KORA_API CImage* Thumbnail(const CImage& image, int64_t longSide);

} // namespace KORA
