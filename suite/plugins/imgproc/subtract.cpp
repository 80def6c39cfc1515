#include "subtract.h"

namespace imgproc {

void Subtract::GetPluginSetup(KORA::CValueMap& setup)
{
    DescribePins(setup, "Subtract", {{"a", "image"}, {"b", "image"}}, {{"image", "image"}});
}

// a - b, saturating at 0 for integer pixels; for masks, a without b.
void Subtract::Run()
{
    const KORA::CImage& a = InputImage(0, kGrey | kRgb | kMask);
    const KORA::CImage& b = InputImage(1, kGrey | kRgb | kMask);
    RequireSameShape(a, b);
    auto out = NewLike(a, a.Type());
    cv::Mat dst = VolumeMat(*out);
    cv::Mat result;
    cv::subtract(VolumeMat(a), VolumeMat(b), result);
    StoreInto(result, dst);
    SetImageOutput(0, out.release());
}

} // namespace imgproc
