#include "morphology.h"

#include <opencv2/imgproc.hpp>

namespace imgproc {

void Morphology::GetPluginSetup(KORA::CValueMap& setup)
{
    KORA::CValueMap& p = DescribePins(setup, kEntryName, {{"image", "image"}}, {{"image", "image"}});
    p.SetEntry("operation", new KORA::CValueString("open"));
    p.SetEntry("radius", new KORA::CValueLong(1));
}

// A disc of the given radius (an ellipse of 2r+1 pixels), the usual choice for round objects.
void Morphology::Run()
{
    const KORA::CImage& in = InputImage(0, kGrey | kRgb | kMask);
    const std::string operation = Parameters().EntryString("operation", "open");
    const int radius = Parameters().EntryLong("radius", 1);
    int op = cv::MORPH_OPEN;
    if (operation == "erode")
        op = cv::MORPH_ERODE;
    else if (operation == "dilate")
        op = cv::MORPH_DILATE;
    else if (operation == "close")
        op = cv::MORPH_CLOSE;
    else if (operation != "open")
        Fail("unknown operation '" + operation + "' (erode, dilate, open or close)");
    if (radius < 0 || radius > 1000)
        Fail("radius must lie in 0..1000, not " + std::to_string(radius));
    RequireWindowFits(in, "radius", radius, 2.0 * radius + 1.0);
    const cv::Mat kernel = cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(2 * radius + 1, 2 * radius + 1));
    auto out = NewLike(in, in.Type());
    ForEachPlane(
        in, *out, [&](const cv::Mat& src, cv::Mat& dst) { cv::morphologyEx(src, dst, op, kernel); }, this);
    SetImageOutput(0, out.release());
}

} // namespace imgproc
