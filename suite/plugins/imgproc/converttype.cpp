#include "converttype.h"

#include <opencv2/imgproc.hpp>

namespace imgproc {

void ConvertType::GetPluginSetup(KORA::CValueMap& setup)
{
    KORA::CValueMap& p = DescribePins(setup, kEntryName, {{"image", "image"}}, {{"image", "image"}});
    p.SetEntry("to", new KORA::CValueString("GREY_F"));
    p.SetEntry("scale", new KORA::CValueDouble(1.0));
    p.SetEntry("offset", new KORA::CValueDouble(0.0));
}

// v * scale + offset, then saturation to the target type. RGB sources become grey first (luma); to
// RGB the grey value goes to all three channels; to BOOL every non-zero result is 1.
void ConvertType::Run()
{
    const KORA::CImage& in = InputImage(0, kGrey | kRgb | kMask);
    const std::string to = Parameters().EntryString("to", "GREY_F");
    const double scale = Parameters().EntryDouble("scale", 1.0);
    const double offset = Parameters().EntryDouble("offset", 0.0);
    KORA::ImageType target = KORA::IMAGE_GREY_F;
    if (!KORA::ImageTypeFromName(to, target) ||
        !((kGrey | kRgb | Bit(KORA::IMAGE_BOOL)) & Bit(target)))
        Fail("cannot convert to '" + to + "' (GREY_8, GREY_16, GREY_F, RGB_8 or BOOL)");

    auto out = NewLike(in, target);
    const bool fromRgb = in.Type() == KORA::IMAGE_RGB_8;
    ForEachPlane(in, *out, [&](const cv::Mat& src, cv::Mat& dst) {
        if (fromRgb && target == KORA::IMAGE_RGB_8) {
            src.convertTo(dst, CV_8UC3, scale, offset);
            return;
        }
        cv::Mat grey = src;
        if (fromRgb)
            cv::cvtColor(src, grey, cv::COLOR_RGB2GRAY);
        switch (target) {
        case KORA::IMAGE_BOOL: {
            cv::Mat scaled;
            grey.convertTo(scaled, CV_32F, scale, offset);
            cv::compare(scaled, 0, dst, cv::CMP_NE);
            cv::bitwise_and(dst, cv::Scalar(1), dst);
            break;
        }
        case KORA::IMAGE_RGB_8: {
            cv::Mat eight;
            grey.convertTo(eight, CV_8U, scale, offset);
            cv::cvtColor(eight, dst, cv::COLOR_GRAY2RGB);
            break;
        }
        default:
            grey.convertTo(dst, KORA::CvType(target), scale, offset);
        }
    });
    SetImageOutput(0, out.release());
}

} // namespace imgproc
