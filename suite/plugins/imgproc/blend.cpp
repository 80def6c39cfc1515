#include "blend.h"

namespace imgproc {

void Blend::GetPluginSetup(KORA::CValueMap& setup)
{
    DescribePins(setup, kEntryName, {{"a", "image"}, {"b", "image"}}, {{"image", "image"}})
        .SetEntry("weight", new KORA::CValueDouble(0.5));
}

// a * (1 - w) + b * w, rounded and saturated for integer pixels.
void Blend::Run()
{
    const double weight = Parameters().EntryDouble("weight", 0.5);
    RunPairwise(kGrey | kRgb, [weight](const cv::Mat& a, const cv::Mat& b) {
        cv::Mat mixed;
        cv::addWeighted(a, 1.0 - weight, b, weight, 0.0, mixed);
        return mixed;
    });
}

} // namespace imgproc
