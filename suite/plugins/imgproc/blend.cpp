#include "blend.h"

namespace imgproc {

void Blend::GetPluginSetup(KORA::CValueMap& setup)
{
    DescribePins(setup, "Blend", {{"a", "image"}, {"b", "image"}}, {{"image", "image"}})
        .SetEntry("weight", new KORA::CValueDouble(0.5));
}

// a * (1 - w) + b * w, rounded and saturated for integer pixels.
void Blend::Run()
{
    const KORA::CImage& a = InputImage(0, kGrey | kRgb);
    const KORA::CImage& b = InputImage(1, kGrey | kRgb);
    RequireSameShape(a, b);
    const double weight = Parameters().EntryDouble("weight", 0.5);
    auto out = NewLike(a, a.Type());
    cv::Mat dst = VolumeMat(*out);
    cv::Mat result;
    cv::addWeighted(VolumeMat(a), 1.0 - weight, VolumeMat(b), weight, 0.0, result);
    StoreInto(result, dst);
    SetImageOutput(0, out.release());
}

} // namespace imgproc
