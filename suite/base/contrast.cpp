#include "kora/contrast.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "kora/exception.h"
#include "kora/opencv.h"

namespace KORA {

namespace {

constexpr double kRobustFraction = 0.001;

// Running sums in double: exact enough for 16-bit images of any size we can hold in memory.
struct Accumulator
{
    double min = std::numeric_limits<double>::infinity();
    double max = -std::numeric_limits<double>::infinity();
    double sum = 0.0;
    double sumSquares = 0.0;
    int64_t count = 0;

    void Add(double v)
    {
        if (!std::isfinite(v))
            return;
        min = std::min(min, v);
        max = std::max(max, v);
        sum += v;
        sumSquares += v * v;
        ++count;
    }
    ImageStatistics Result() const
    {
        ImageStatistics s;
        if (count == 0)
            return s;
        s.count = count;
        s.min = min;
        s.max = max;
        s.mean = sum / static_cast<double>(count);
        s.sigma = std::sqrt(std::max(0.0, sumSquares / static_cast<double>(count) - s.mean * s.mean));
        return s;
    }
};

// Walks samples of rows [y0, y1) and columns [x0, x1) of one plane: channels of RGB separately, the
// magnitude of complex pixels.
template <class Visit>
void ForEachSample(const CImage& image, int64_t z, int64_t x0, int64_t y0, int64_t x1, int64_t y1, Visit visit)
{
    switch (image.Type()) {
    case IMAGE_GREY_16:
        for (int64_t y = y0; y < y1; ++y) {
            const uint16_t* row = image.Row<uint16_t>(y, z);
            for (int64_t x = x0; x < x1; ++x)
                visit(row[x]);
        }
        break;
    case IMAGE_GREY_F:
        for (int64_t y = y0; y < y1; ++y) {
            const float* row = image.Row<float>(y, z);
            for (int64_t x = x0; x < x1; ++x)
                visit(row[x]);
        }
        break;
    case IMAGE_COMPLEX_F:
        for (int64_t y = y0; y < y1; ++y) {
            const float* row = image.Row<float>(y, z);
            for (int64_t x = x0; x < x1; ++x)
                visit(std::hypot(row[2 * x], row[2 * x + 1]));
        }
        break;
    case IMAGE_RGB_8:
        for (int64_t y = y0; y < y1; ++y) {
            const uint8_t* row = image.Row<uint8_t>(y, z);
            for (int64_t x = 3 * x0; x < 3 * x1; ++x)
                visit(row[x]);
        }
        break;
    default:
        for (int64_t y = y0; y < y1; ++y) {
            const uint8_t* row = image.Row<uint8_t>(y, z);
            for (int64_t x = x0; x < x1; ++x)
                visit(row[x]);
        }
        break;
    }
}

template <class Visit>
void ForEachSample(const CImage& image, Visit visit)
{
    const CSize size = image.Size();
    for (int64_t z = 0; z < size.Depth(); ++z)
        ForEachSample(image, z, 0, 0, size.Width(), size.Height(), visit);
}

// The value below which the given fraction of the histogram's samples lies; bins map to values by
// low + index * width.
double Percentile(const std::vector<int64_t>& bins, int64_t total, double fraction, double low, double width)
{
    const double wanted = fraction * static_cast<double>(total);
    int64_t seen = 0;
    for (std::size_t i = 0; i < bins.size(); ++i) {
        seen += bins[i];
        if (static_cast<double>(seen) > wanted)
            return low + static_cast<double>(i) * width;
    }
    return low + static_cast<double>(bins.size() - 1) * width;
}

// Integer samples: one histogram gives the statistics and both windows exactly, in one pass.
ImageAnalysis AnalyseIntegral(const CImage& image)
{
    ImageAnalysis result;
    std::vector<int64_t> bins(image.Type() == IMAGE_GREY_16 ? 65536 : 256, 0);
    ForEachSample(image, [&bins](auto v) { ++bins[static_cast<std::size_t>(v)]; });
    Accumulator acc;
    for (std::size_t v = 0; v < bins.size(); ++v)
        if (bins[v]) {
            const double value = static_cast<double>(v), n = static_cast<double>(bins[v]);
            acc.min = std::min(acc.min, value);
            acc.max = std::max(acc.max, value);
            acc.sum += value * n;
            acc.sumSquares += value * value * n;
            acc.count += bins[v];
        }
    result.stats = acc.Result();
    result.robustLow = Percentile(bins, acc.count, kRobustFraction, 0.0, 1.0);
    result.robustHigh = Percentile(bins, acc.count, 1.0 - kRobustFraction, 0.0, 1.0);
    return result;
}

ImageAnalysis AnalyseReal(const CImage& image)
{
    ImageAnalysis result;
    Accumulator acc;
    ForEachSample(image, [&acc](auto v) { acc.Add(static_cast<double>(v)); });
    result.stats = acc.Result();
    result.robustLow = result.stats.min;
    result.robustHigh = result.stats.max;
    if (result.stats.count == 0 || result.stats.max <= result.stats.min)
        return result;
    constexpr std::size_t kBins = 4096;
    std::vector<int64_t> bins(kBins, 0);
    const double low = result.stats.min;
    const double width = (result.stats.max - low) / kBins;
    ForEachSample(image, [&](auto sample) {
        const double v = static_cast<double>(sample);
        if (std::isfinite(v))
            ++bins[std::min(kBins - 1, static_cast<std::size_t>((v - low) / width))];
    });
    result.robustLow = Percentile(bins, result.stats.count, kRobustFraction, low, width);
    result.robustHigh = Percentile(bins, result.stats.count, 1.0 - kRobustFraction, low, width) + width;
    return result;
}

} // namespace

bool IntegralImageType(ImageType type) noexcept
{
    return type != IMAGE_GREY_F && type != IMAGE_COMPLEX_F;
}

ImageAnalysis AnalyseImage(const CImage& image)
{
    return IntegralImageType(image.Type()) ? AnalyseIntegral(image) : AnalyseReal(image);
}

ImageStatistics RegionStatistics(const CImage& image, int64_t z, int64_t x0, int64_t y0, int64_t x1, int64_t y1)
{
    const CSize size = image.Size();
    x0 = std::max<int64_t>(0, x0);
    y0 = std::max<int64_t>(0, y0);
    x1 = std::min(size.Width(), x1);
    y1 = std::min(size.Height(), y1);
    Accumulator acc;
    if (z < 0 || z >= size.Depth() || x0 >= x1 || y0 >= y1)
        return acc.Result();
    ForEachSample(image, z, x0, y0, x1, y1, [&acc](auto v) { acc.Add(static_cast<double>(v)); });
    return acc.Result();
}

void RenderPlane(const CImage& image, int64_t z, double low, double high, cv::Mat& target)
{
    const cv::Mat plane = PlaneMat(image, z);
    const double scale = high > low ? 255.0 / (high - low) : 1.0;
    switch (image.Type()) {
    case IMAGE_GREY_8:
    case IMAGE_RGB_8:
        plane.copyTo(target);
        break;
    case IMAGE_BOOL:
    case IMAGE_BINARY_BG:
    case IMAGE_BINARY_FG:
        plane.convertTo(target, CV_8U, 255.0);
        break;
    case IMAGE_COMPLEX_F: {
        cv::Mat parts[2], magnitude;
        cv::split(plane, parts);
        cv::magnitude(parts[0], parts[1], magnitude);
        magnitude.convertTo(target, CV_8U, scale, -low * scale);
        break;
    }
    default:
        plane.convertTo(target, CV_8U, scale, -low * scale);
        break;
    }
}

CImage* Thumbnail(const CImage& image, int64_t longSide)
{
    if (image.Empty())
        throw CException("an empty image has no picture", "Thumbnail");
    const CSize size = image.Size();
    const ImageAnalysis analysis = AnalyseImage(image);
    const bool rgb = image.Type() == IMAGE_RGB_8;
    cv::Mat picture(PlaneMat(image, 0).size(), rgb ? CV_8UC3 : CV_8UC1);
    RenderPlane(image, 0, analysis.robustLow, analysis.robustHigh, picture);
    const int64_t longest = std::max(size.Width(), size.Height());
    if (longest > longSide && longSide > 0) {
        const double factor = static_cast<double>(longSide) / static_cast<double>(longest);
        const cv::Size small(std::max(1, static_cast<int>(std::lround(static_cast<double>(size.Width()) * factor))),
                             std::max(1, static_cast<int>(std::lround(static_cast<double>(size.Height()) * factor))));
        cv::Mat reduced;
        cv::resize(picture, reduced, small, 0, 0, cv::INTER_AREA);
        picture = reduced;
    }
    return ImageFromMat(picture, rgb ? IMAGE_RGB_8 : IMAGE_GREY_8);
}

} // namespace KORA
