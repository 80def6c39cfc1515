#include "normalize.h"

namespace imgproc {

void Normalize::GetPluginSetup(KORA::CValueMap& setup)
{
    DescribePins(setup, kEntryName, {{"image", "image"}}, {{"image", "image"}});
}

// One range for the whole image (all planes, all channels): a volume keeps its contrast between slices.
void Normalize::Run()
{
    const KORA::CImage& in = InputImage(0, kGrey | kRgb | kMask);
    const KORA::ImageType target = in.Type() == KORA::IMAGE_RGB_8 ? KORA::IMAGE_RGB_8 : KORA::IMAGE_GREY_8;
    auto out = NewLike(in, target);
    const cv::Mat src = VolumeMat(in).reshape(1);
    cv::Mat dst = VolumeMat(*out).reshape(1);
    cv::Mat result;
    cv::normalize(src, result, 0, 255, cv::NORM_MINMAX, CV_8U);
    StoreInto(result, dst);
    SetImageOutput(0, out.release());
}

} // namespace imgproc
