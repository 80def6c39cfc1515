#include "add.h"

namespace imgproc {

void Add::GetPluginSetup(KORA::CValueMap& setup)
{
    DescribePins(setup, "Add", {{"a", "image"}, {"b", "image"}}, {{"image", "image"}});
}

// Saturating; two masks add up to their union (1 stays the top).
void Add::Run()
{
    const KORA::CImage& a = InputImage(0, kGrey | kRgb | kMask);
    const KORA::CImage& b = InputImage(1, kGrey | kRgb | kMask);
    RequireSameShape(a, b);
    auto out = NewLike(a, a.Type());
    cv::Mat dst = VolumeMat(*out);
    cv::Mat result;
    cv::add(VolumeMat(a), VolumeMat(b), result);
    if (KORA::IsMaskType(a.Type()))
        result = cv::min(result, 1);
    StoreInto(result, dst);
    SetImageOutput(0, out.release());
}

} // namespace imgproc
