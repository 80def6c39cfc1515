#include "threshold.h"

#include <opencv2/imgproc.hpp>

namespace imgproc {

void Threshold::GetPluginSetup(KORA::CValueMap& setup)
{
    KORA::CValueMap& p = DescribePins(setup, kEntryName, {{"image", "image"}}, {{"mask", "mask"}});
    p.SetEntry("method", new KORA::CValueString("fixed"));
    p.SetEntry("value", new KORA::CValueDouble(128.0));
    p.SetEntry("invert", new KORA::CValueBool(false));
}

// Otsu's level over the whole image (all planes at once). 16-bit and float pixels are first spread
// over 256 steps between their minimum and maximum, which is all the resolution Otsu's method uses.
static double OtsuLevel(const cv::Mat& pixels)
{
    if (pixels.depth() == CV_8U) {
        cv::Mat ignored;
        return cv::threshold(pixels, ignored, 0, 1, cv::THRESH_BINARY | cv::THRESH_OTSU);
    }
    double lo = 0, hi = 0;
    cv::minMaxLoc(pixels, &lo, &hi);
    if (hi <= lo)
        return lo;
    cv::Mat steps, ignored;
    const double scale = 255.0 / (hi - lo);
    pixels.convertTo(steps, CV_8U, scale, -lo * scale);
    const double level = cv::threshold(steps, ignored, 0, 1, cv::THRESH_BINARY | cv::THRESH_OTSU);
    return lo + (level + 0.5) / scale;
}

void Threshold::Run()
{
    const KORA::CImage& in = InputImage(0, kGrey);
    const std::string method = Parameters().EntryString("method", "fixed");
    const bool invert = Parameters().EntryBool("invert", false);
    const cv::Mat pixels = VolumeMat(in);
    double level = 0;
    if (method == "fixed")
        level = Parameters().EntryDouble("value", 128.0);
    else if (method == "otsu")
        level = OtsuLevel(pixels);
    else
        Fail("unknown method '" + method + "' (fixed or otsu)");

    auto out = NewLike(in, KORA::IMAGE_BOOL);
    out->Attributes().SetEntry("threshold", new KORA::CValueDouble(level));
    cv::Mat mask = VolumeMat(*out);
    cv::Mat result;
    cv::compare(pixels, cv::Scalar(level), result, invert ? cv::CMP_LE : cv::CMP_GT);
    cv::bitwise_and(result, cv::Scalar(1), result);
    StoreInto(result, mask);
    SetImageOutput(0, out.release());
}

} // namespace imgproc
