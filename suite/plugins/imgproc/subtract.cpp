#include "subtract.h"

namespace imgproc {

void Subtract::GetPluginSetup(KORA::CValueMap& setup)
{
    DescribePins(setup, kEntryName, {{"a", "image"}, {"b", "image"}}, {{"image", "image"}});
}

// a - b, saturating at 0 for integer pixels; for masks, a without b.
void Subtract::Run()
{
    RunPairwise(kGrey | kRgb | kMask, [](const cv::Mat& a, const cv::Mat& b) {
        cv::Mat difference;
        cv::subtract(a, b, difference);
        return difference;
    });
}

} // namespace imgproc
