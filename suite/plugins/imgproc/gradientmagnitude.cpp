#include "gradientmagnitude.h"

#include <opencv2/imgproc.hpp>

namespace imgproc {

void GradientMagnitude::GetPluginSetup(KORA::CValueMap& setup)
{
    DescribePins(setup, kEntryName, {{"image", "image"}}, {{"image", "image"}});
}

// 3x3 Sobel derivatives in x and y, per plane; RGB goes to grey (luma) first.
void GradientMagnitude::Run()
{
    const KORA::CImage& in = InputImage(0, kGrey | kRgb | kMask);
    auto out = NewLike(in, KORA::IMAGE_GREY_F);
    const bool rgb = in.Type() == KORA::IMAGE_RGB_8;
    ForEachPlane(in, *out, [rgb](const cv::Mat& src, cv::Mat& dst) {
        cv::Mat grey = src;
        if (rgb)
            cv::cvtColor(src, grey, cv::COLOR_RGB2GRAY);
        cv::Mat dx, dy;
        cv::Sobel(grey, dx, CV_32F, 1, 0, 3);
        cv::Sobel(grey, dy, CV_32F, 0, 1, 3);
        cv::magnitude(dx, dy, dst);
    });
    SetImageOutput(0, out.release());
}

} // namespace imgproc
