#include "gaussianblur.h"

#include <opencv2/imgproc.hpp>

namespace imgproc {

void GaussianBlur::GetPluginSetup(KORA::CValueMap& setup)
{
    DescribePins(setup, kEntryName, {{"image", "image"}}, {{"image", "image"}})
        .SetEntry("sigma", new KORA::CValueDouble(1.0));
}

void GaussianBlur::Run()
{
    const KORA::CImage& in = InputImage(0, kGrey | kRgb);
    const double sigma = Parameters().EntryDouble("sigma", 1.0);
    if (!(sigma > 0.0))
        Fail("sigma must be positive, not " + std::to_string(sigma));
    // OpenCV's own kernel width for a sigma: 3 sigma each side for 8-bit pixels, 4 for deeper ones.
    const double reach = in.Type() == KORA::IMAGE_GREY_16 || in.Type() == KORA::IMAGE_GREY_F ? 4.0 : 3.0;
    RequireWindowFits(in, "sigma", sigma, 2.0 * reach * sigma + 1.0);
    auto out = NewLike(in, in.Type());
    ForEachPlane(
        in, *out,
        [sigma](const cv::Mat& src, cv::Mat& dst) {
            cv::GaussianBlur(src, dst, cv::Size(0, 0), sigma, sigma, cv::BORDER_REFLECT_101);
        },
        this);
    SetImageOutput(0, out.release());
}

} // namespace imgproc
