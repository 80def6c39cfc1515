#include "histogram.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace imgproc {

void Histogram::GetPluginSetup(KORA::CValueMap& setup)
{
    DescribePins(setup, kEntryName, {{"image", "image"}}, {{"histogram", "vector"}});
}

namespace {
// 256 equal bins from the smallest to the largest value (the largest falls into the last bin); a
// constant image puts everything into bin 0. Non-finite floats are not counted.
template <class T>
void SpreadBins(const cv::Mat& pixels, std::vector<int64_t>& bins)
{
    double lo = std::numeric_limits<double>::infinity(), hi = -lo;
    for (int y = 0; y < pixels.rows; ++y) {
        const T* row = pixels.ptr<T>(y);
        for (int x = 0; x < pixels.cols; ++x)
            if (std::isfinite(static_cast<double>(row[x]))) {
                lo = std::min(lo, static_cast<double>(row[x]));
                hi = std::max(hi, static_cast<double>(row[x]));
            }
    }
    const double scale = hi > lo ? 256.0 / (hi - lo) : 0.0;
    for (int y = 0; y < pixels.rows; ++y) {
        const T* row = pixels.ptr<T>(y);
        for (int x = 0; x < pixels.cols; ++x) {
            const double v = static_cast<double>(row[x]);
            if (std::isfinite(v))
                ++bins[static_cast<std::size_t>(std::min(255.0, std::floor((v - lo) * scale)))];
        }
    }
}
} // namespace

// 8-bit pixels (and each channel of RGB, and masks) count one bin per value.
void Histogram::Run()
{
    const KORA::CImage& in = InputImage(0, kGrey | kRgb | kMask);
    const cv::Mat pixels = VolumeMat(in).reshape(1);
    std::vector<int64_t> bins(256, 0);
    if (in.Type() == KORA::IMAGE_GREY_16)
        SpreadBins<uint16_t>(pixels, bins);
    else if (in.Type() == KORA::IMAGE_GREY_F)
        SpreadBins<float>(pixels, bins);
    else
        for (int y = 0; y < pixels.rows; ++y) {
            const uint8_t* row = pixels.ptr<uint8_t>(y);
            for (int x = 0; x < pixels.cols; ++x)
                ++bins[row[x]];
        }
    auto* result = new KORA::CValueVector;
    for (int64_t count : bins)
        result->Append(new KORA::CValueLong(static_cast<int32_t>(std::min<int64_t>(count, INT32_MAX))));
    SetOutput(0, result);
}

} // namespace imgproc
