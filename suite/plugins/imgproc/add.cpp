#include "add.h"

namespace imgproc {

void Add::GetPluginSetup(KORA::CValueMap& setup)
{
    DescribePins(setup, kEntryName, {{"a", "image"}, {"b", "image"}}, {{"image", "image"}});
}

// Saturating; two masks add up to their union (1 stays the top).
void Add::Run()
{
    const bool masks = KORA::IsMaskType(InputImage(0).Type());
    RunPairwise(kGrey | kRgb | kMask, [masks](const cv::Mat& a, const cv::Mat& b) {
        cv::Mat sum;
        cv::add(a, b, sum);
        return masks ? cv::Mat(cv::min(sum, 1)) : sum;
    });
}

} // namespace imgproc
