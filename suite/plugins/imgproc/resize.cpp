#include "resize.h"

#include <algorithm>
#include <cmath>

#include <opencv2/imgproc.hpp>

namespace imgproc {

void Resize::GetPluginSetup(KORA::CValueMap& setup)
{
    DescribePins(setup, kEntryName, {{"image", "image"}}, {{"image", "image"}})
        .SetEntry("scale", new KORA::CValueDouble(0.5));
}

static int64_t Scaled(int64_t length, double scale)
{
    return std::max<int64_t>(1, std::llround(static_cast<double>(length) * scale));
}

// Width and height scale, planes stay: a volume's slices are resized one by one. Shrinking averages
// (area), enlarging interpolates linearly, masks take the nearest pixel so they stay 0/1.
void Resize::Run()
{
    const KORA::CImage& in = InputImage(0, kGrey | kRgb | kMask);
    const double scale = Parameters().EntryDouble("scale", 0.5);
    if (!(scale > 0.0) || !(scale <= 64.0))
        Fail("scale must lie in (0, 64], not " + std::to_string(scale));
    const KORA::CSize size(Scaled(in.Size().Width(), scale), Scaled(in.Size().Height(), scale), in.Size().Depth());
    const int interpolation = KORA::IsMaskType(in.Type()) ? cv::INTER_NEAREST
                              : scale < 1.0               ? cv::INTER_AREA
                                                          : cv::INTER_LINEAR;
    auto out = NewLike(in, in.Type(), size);
    ForEachPlane(in, *out, [&](const cv::Mat& src, cv::Mat& dst) {
        cv::resize(src, dst, dst.size(), 0, 0, interpolation);
    });
    SetImageOutput(0, out.release());
}

} // namespace imgproc
