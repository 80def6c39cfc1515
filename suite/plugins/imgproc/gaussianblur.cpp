#include "gaussianblur.h"

#include <opencv2/imgproc.hpp>

namespace imgproc {

void GaussianBlur::GetPluginSetup(KORA::CValueMap& setup)
{
    DescribePins(setup, "GaussianBlur", {{"image", "image"}}, {{"image", "image"}})
        .SetEntry("sigma", new KORA::CValueDouble(1.0));
}

void GaussianBlur::Run()
{
    const KORA::CImage& in = InputImage(0, kGrey | kRgb);
    const double sigma = Parameters().EntryDouble("sigma", 1.0);
    if (!(sigma > 0.0))
        Fail("sigma must be positive, not " + std::to_string(sigma));
    auto out = NewLike(in, in.Type());
    ForEachPlane(in, *out, [sigma](const cv::Mat& src, cv::Mat& dst) {
        cv::GaussianBlur(src, dst, cv::Size(0, 0), sigma, sigma, cv::BORDER_REFLECT_101);
    });
    SetImageOutput(0, out.release());
}

} // namespace imgproc
