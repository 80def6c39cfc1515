#include "imagerender.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <complex>
#include <limits>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "kora/exception.h"
#include "kora/opencv.h"

namespace viewers {

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
    Statistics Result() const
    {
        Statistics s;
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
void ForEachSample(const KORA::CImage& image, int64_t z, int64_t x0, int64_t y0, int64_t x1, int64_t y1, Visit visit)
{
    switch (image.Type()) {
    case KORA::IMAGE_GREY_16:
        for (int64_t y = y0; y < y1; ++y) {
            const uint16_t* row = image.Row<uint16_t>(y, z);
            for (int64_t x = x0; x < x1; ++x)
                visit(row[x]);
        }
        break;
    case KORA::IMAGE_GREY_F:
        for (int64_t y = y0; y < y1; ++y) {
            const float* row = image.Row<float>(y, z);
            for (int64_t x = x0; x < x1; ++x)
                visit(row[x]);
        }
        break;
    case KORA::IMAGE_COMPLEX_F:
        for (int64_t y = y0; y < y1; ++y) {
            const float* row = image.Row<float>(y, z);
            for (int64_t x = x0; x < x1; ++x)
                visit(std::hypot(row[2 * x], row[2 * x + 1]));
        }
        break;
    case KORA::IMAGE_RGB_8:
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
void ForEachSample(const KORA::CImage& image, Visit visit)
{
    const KORA::CSize size = image.Size();
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

} // namespace

bool IntegralType(KORA::ImageType type)
{
    return type != KORA::IMAGE_GREY_F && type != KORA::IMAGE_COMPLEX_F;
}

bool CanRender(KORA::ImageType type)
{
    return KORA::ImagePixelSize(type) != 0;
}

ImageAnalysis AnalyseImage(const KORA::CImage& image)
{
    ImageAnalysis result;
    if (IntegralType(image.Type())) {
        // Integer samples: one histogram gives the statistics and both windows exactly, in one pass.
        std::vector<int64_t> bins(image.Type() == KORA::IMAGE_GREY_16 ? 65536 : 256, 0);
        ForEachSample(image, [&bins](auto v) { ++bins[static_cast<std::size_t>(v)]; });
        Accumulator acc;
        double sum = 0.0, sumSquares = 0.0;
        int64_t count = 0;
        for (std::size_t v = 0; v < bins.size(); ++v)
            if (bins[v]) {
                const double value = static_cast<double>(v), n = static_cast<double>(bins[v]);
                acc.min = std::min(acc.min, value);
                acc.max = std::max(acc.max, value);
                sum += value * n;
                sumSquares += value * value * n;
                count += bins[v];
            }
        acc.sum = sum;
        acc.sumSquares = sumSquares;
        acc.count = count;
        result.stats = acc.Result();
        result.robustLow = Percentile(bins, count, kRobustFraction, 0.0, 1.0);
        result.robustHigh = Percentile(bins, count, 1.0 - kRobustFraction, 0.0, 1.0);
    } else {
        Accumulator acc;
        ForEachSample(image, [&acc](auto v) { acc.Add(static_cast<double>(v)); });
        result.stats = acc.Result();
        result.robustLow = result.stats.min;
        result.robustHigh = result.stats.max;
        if (result.stats.count > 0 && result.stats.max > result.stats.min) {
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
        }
    }
    return result;
}

Statistics RegionStatistics(const KORA::CImage& image, int64_t z, const QRect& region)
{
    const KORA::CSize size = image.Size();
    const int64_t x0 = std::max<int64_t>(0, region.left()), y0 = std::max<int64_t>(0, region.top());
    const int64_t x1 = std::min<int64_t>(size.Width(), int64_t(region.left()) + region.width());
    const int64_t y1 = std::min<int64_t>(size.Height(), int64_t(region.top()) + region.height());
    Accumulator acc;
    if (z < 0 || z >= size.Depth() || x0 >= x1 || y0 >= y1)
        return acc.Result();
    ForEachSample(image, z, x0, y0, x1, y1, [&acc](auto v) { acc.Add(static_cast<double>(v)); });
    return acc.Result();
}

QImage RenderPlane(const KORA::CImage& image, int64_t z, double low, double high)
{
    const KORA::CSize size = image.Size();
    if (size.Width() > INT_MAX / 4 || size.Height() > INT_MAX / 4)
        throw KORA::CException("an image of " + size.ToString() + " pixels is too large to display", "Display");
    const int w = static_cast<int>(size.Width()), h = static_cast<int>(size.Height());
    const bool rgb = image.Type() == KORA::IMAGE_RGB_8;
    QImage picture(w, h, rgb ? QImage::Format_RGB888 : QImage::Format_Grayscale8);
    if (picture.isNull())
        throw KORA::CException("not enough memory to display an image of " + size.ToString() + " pixels", "Display");
    // The picture's own buffer is the destination, so each conversion writes every pixel exactly once.
    cv::Mat target(h, w, rgb ? CV_8UC3 : CV_8UC1, picture.bits(), static_cast<std::size_t>(picture.bytesPerLine()));
    const cv::Mat plane = KORA::PlaneMat(image, z);
    const double scale = high > low ? 255.0 / (high - low) : 1.0;
    switch (image.Type()) {
    case KORA::IMAGE_GREY_8:
    case KORA::IMAGE_RGB_8:
        plane.copyTo(target);
        break;
    case KORA::IMAGE_BOOL:
    case KORA::IMAGE_BINARY_BG:
    case KORA::IMAGE_BINARY_FG:
        plane.convertTo(target, CV_8U, 255.0);
        break;
    case KORA::IMAGE_COMPLEX_F: {
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
    return picture;
}

QImage HalveImage(const QImage& picture)
{
    const bool rgb = picture.format() == QImage::Format_RGB888;
    const int w = std::max(1, (picture.width() + 1) / 2), h = std::max(1, (picture.height() + 1) / 2);
    QImage half(w, h, picture.format());
    const int type = rgb ? CV_8UC3 : CV_8UC1;
    const cv::Mat source(picture.height(), picture.width(), type, const_cast<uchar*>(picture.constBits()),
                         static_cast<std::size_t>(picture.bytesPerLine()));
    cv::Mat target(h, w, type, half.bits(), static_cast<std::size_t>(half.bytesPerLine()));
    cv::resize(source, target, target.size(), 0, 0, cv::INTER_AREA);
    return half;
}

QString NumberText(double value, bool integral)
{
    if (integral && std::isfinite(value) && std::abs(value) < 9e15)
        return QString::number(static_cast<qint64>(std::llround(value)));
    return QString::number(value, 'g', 6);
}

QString PixelText(const KORA::CImage& image, int64_t x, int64_t y, int64_t z)
{
    const KORA::CSize size = image.Size();
    if (x < 0 || y < 0 || z < 0 || x >= size.Width() || y >= size.Height() || z >= size.Depth())
        return QString();
    switch (image.Type()) {
    case KORA::IMAGE_GREY_16:
        return QString::number(image.Row<uint16_t>(y, z)[x]);
    case KORA::IMAGE_GREY_F:
        return NumberText(image.Row<float>(y, z)[x], false);
    case KORA::IMAGE_COMPLEX_F: {
        const float* pixel = image.Row<float>(y, z) + 2 * x;
        return QStringLiteral("%1%2%3i")
            .arg(NumberText(pixel[0], false), pixel[1] < 0 ? QStringLiteral("-") : QStringLiteral("+"),
                 NumberText(std::abs(pixel[1]), false));
    }
    case KORA::IMAGE_RGB_8: {
        const uint8_t* pixel = image.Row<uint8_t>(y, z) + 3 * x;
        return QStringLiteral("%1, %2, %3").arg(pixel[0]).arg(pixel[1]).arg(pixel[2]);
    }
    default:
        return QString::number(image.Row<uint8_t>(y, z)[x]);
    }
}

} // namespace viewers
