#include "invert.h"

namespace imgproc {

void Invert::GetPluginSetup(KORA::CValueMap& setup)
{
    DescribePins(setup, kEntryName, {{"image", "image"}}, {{"image", "image"}});
}

// Integer pixels mirror within their type's range, masks swap 0 and 1, and float pixels, which have no
// range of their own, mirror within the image's range (min + max - v), so the result keeps its range.
void Invert::Run()
{
    const KORA::CImage& in = InputImage(0, kGrey | kRgb | kMask);
    auto out = NewLike(in, in.Type());
    const cv::Mat src = VolumeMat(in);
    cv::Mat dst = VolumeMat(*out);
    cv::Mat result;
    if (KORA::IsMaskType(in.Type())) {
        cv::subtract(cv::Scalar(1), src, result);
    } else if (in.Type() == KORA::IMAGE_GREY_F) {
        double lo = 0, hi = 0;
        cv::minMaxLoc(src, &lo, &hi);
        cv::subtract(cv::Scalar(lo + hi), src, result);
    } else {
        cv::bitwise_not(src, result);
    }
    StoreInto(result, dst);
    SetImageOutput(0, out.release());
}

} // namespace imgproc
