#include "centroids.h"

#include <cmath>
#include <map>

#include "labelling.h"

namespace imgproc {

void Centroids::GetPluginSetup(KORA::CValueMap& setup)
{
    DescribePins(setup, kEntryName, {{"mask", "image"}}, {{"centroids", "vector"}});
}

namespace {
struct Sums
{
    double x = 0, y = 0, z = 0;
    int64_t n = 0;
};

template <class Label>
void Accumulate(const KORA::CImage& image, Label label, std::map<int64_t, Sums>& sums)
{
    const KORA::CSize size = image.Size();
    for (int64_t z = 0; z < size.Depth(); ++z)
        for (int64_t y = 0; y < size.Height(); ++y)
            for (int64_t x = 0; x < size.Width(); ++x) {
                const int64_t value = label(x, y, z);
                if (value <= 0)
                    continue;
                Sums& s = sums[value];
                s.x += static_cast<double>(x);
                s.y += static_cast<double>(y);
                s.z += static_cast<double>(z);
                ++s.n;
            }
}
} // namespace

// A mask is labelled first (8-connected, as ConnectedComponents); a label image (GREY_8, GREY_16,
// GREY_F rounded) is taken as it is. One [x, y] per label present, in label order; [x, y, z] for volumes.
void Centroids::Run()
{
    const KORA::CImage& in = InputImage(0, kMask | kGrey);
    std::map<int64_t, Sums> sums;
    const int64_t width = in.Size().Width(), plane = width * in.Size().Height();
    if (KORA::IsMaskType(in.Type())) {
        const CLabelling labelling(in, 0);
        const auto& labels = labelling.Labels();
        Accumulate(in, [&](int64_t x, int64_t y, int64_t z) { return labels[static_cast<std::size_t>(z * plane + y * width + x)]; }, sums);
    } else if (in.Type() == KORA::IMAGE_GREY_8) {
        Accumulate(in, [&](int64_t x, int64_t y, int64_t z) { return int64_t(in.Row<uint8_t>(y, z)[x]); }, sums);
    } else if (in.Type() == KORA::IMAGE_GREY_16) {
        Accumulate(in, [&](int64_t x, int64_t y, int64_t z) { return int64_t(in.Row<uint16_t>(y, z)[x]); }, sums);
    } else {
        Accumulate(in, [&](int64_t x, int64_t y, int64_t z) {
            const float v = in.Row<float>(y, z)[x];
            return std::isfinite(v) ? std::llround(v) : 0;
        }, sums);
    }
    const bool volume = in.Size().Depth() > 1;
    auto* result = new KORA::CValueVector;
    for (const auto& entry : sums) {
        const Sums& s = entry.second;
        const double n = static_cast<double>(s.n);
        auto* point = new KORA::CValueVector;
        point->Append(new KORA::CValueDouble(s.x / n));
        point->Append(new KORA::CValueDouble(s.y / n));
        if (volume)
            point->Append(new KORA::CValueDouble(s.z / n));
        result->Append(point);
    }
    SetOutput(0, result);
}

} // namespace imgproc
