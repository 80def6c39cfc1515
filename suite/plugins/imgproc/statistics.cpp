#include "statistics.h"

namespace imgproc {

void Statistics::GetPluginSetup(KORA::CValueMap& setup)
{
    DescribePins(setup, kEntryName, {{"image", "image"}}, {{"statistics", "map"}, {"mean", "double"}});
}

// Over every pixel of every plane, and over the three channels of RGB; sigma is the population
// standard deviation.
void Statistics::Run()
{
    const KORA::CImage& in = InputImage(0, kGrey | kRgb | kMask);
    const cv::Mat pixels = VolumeMat(in).reshape(1);
    double lo = 0, hi = 0;
    cv::minMaxLoc(pixels, &lo, &hi);
    cv::Scalar mean, sigma;
    cv::meanStdDev(pixels, mean, sigma);
    auto* map = new KORA::CValueMap;
    map->SetEntry("min", new KORA::CValueDouble(lo));
    map->SetEntry("max", new KORA::CValueDouble(hi));
    map->SetEntry("mean", new KORA::CValueDouble(mean[0]));
    map->SetEntry("sigma", new KORA::CValueDouble(sigma[0]));
    SetOutput(0, map);
    SetOutput(1, new KORA::CValueDouble(mean[0]));
}

} // namespace imgproc
