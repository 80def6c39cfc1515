#include "plotdata.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "kora/exception.h"
#include "kora/image.h"
#include "kora/valuepointer.h"

namespace viewers {

namespace {
[[noreturn]] void Refuse(const std::string& reason)
{
    throw KORA::CException("Plot: " + reason, "Plot");
}

bool Number(const KORA::CValue* value, double& number)
{
    if (!value)
        return false;
    if (value->GenericType() == KORA::GT_LONG)
        number = static_cast<const KORA::CValueLong*>(value)->Value();
    else if (value->GenericType() == KORA::GT_DOUBLE)
        number = static_cast<const KORA::CValueDouble*>(value)->Value();
    else
        return false;
    return true;
}

// where names the vector in messages ("entry 3").
QVector<QPointF> NumberSeries(const KORA::CValueVector& vector, const std::string& where)
{
    QVector<QPointF> points;
    points.reserve(static_cast<int>(std::min<std::size_t>(vector.Size(), 1u << 24)));
    for (std::size_t i = 0; i < vector.Size(); ++i) {
        const KORA::CValue* entry = KORA::Unwrap(vector.At(i));
        if (!entry)
            continue;
        double y = 0.0;
        if (!Number(entry, y))
            Refuse(where + "entry " + std::to_string(i) + " is a " + KORA::GenericTypeName(entry->GenericType()) +
                   ", not a number");
        points.append(QPointF(static_cast<double>(i), y));
    }
    return points;
}

double Sample(const KORA::CImage& image, int64_t z, int64_t y, int64_t x, int channel)
{
    switch (image.Type()) {
    case KORA::IMAGE_GREY_16:
        return image.Row<uint16_t>(y, z)[x];
    case KORA::IMAGE_GREY_F:
        return image.Row<float>(y, z)[x];
    case KORA::IMAGE_COMPLEX_F: {
        const float* pixel = image.Row<float>(y, z) + 2 * x;
        return std::hypot(pixel[0], pixel[1]);
    }
    case KORA::IMAGE_RGB_8:
        return image.Row<uint8_t>(y, z)[3 * x + channel];
    default:
        return image.Row<uint8_t>(y, z)[x];
    }
}

template <class Visit>
void ForEachPixel(const KORA::CImage& image, Visit visit)
{
    const KORA::CSize size = image.Size();
    for (int64_t z = 0; z < size.Depth(); ++z)
        for (int64_t y = 0; y < size.Height(); ++y)
            for (int64_t x = 0; x < size.Width(); ++x)
                visit(z, y, x);
}

PlotData Histogram(const KORA::CImage& image)
{
    PlotData data;
    data.title = QStringLiteral("Histogram of a %1 image, %2")
                     .arg(QString::fromLatin1(KORA::ImageTypeName(image.Type())),
                          QString::fromStdString(image.Size().ToString()));
    data.yLabel = QStringLiteral("pixels");
    const KORA::ImageType type = image.Type();
    const bool spread = type == KORA::IMAGE_GREY_16 || type == KORA::IMAGE_GREY_F || type == KORA::IMAGE_COMPLEX_F;
    const int channels = type == KORA::IMAGE_RGB_8 ? 3 : 1;
    double low = 0.0, width = 1.0;
    if (spread) {
        double lo = std::numeric_limits<double>::infinity(), hi = -lo;
        ForEachPixel(image, [&](int64_t z, int64_t y, int64_t x) {
            const double v = Sample(image, z, y, x, 0);
            if (std::isfinite(v)) {
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
        });
        if (lo <= hi) {
            low = lo;
            width = hi > lo ? (hi - lo) / 256.0 : 1.0;
        }
    }
    std::vector<std::vector<double>> bins(channels, std::vector<double>(256, 0.0));
    ForEachPixel(image, [&](int64_t z, int64_t y, int64_t x) {
        for (int c = 0; c < channels; ++c) {
            const double v = Sample(image, z, y, x, c);
            if (std::isfinite(v))
                bins[c][std::min<std::size_t>(255, static_cast<std::size_t>(std::max(0.0, (v - low) / width)))] += 1.0;
        }
    });
    data.xLabel = spread ? QStringLiteral("value (bin start)") : QStringLiteral("value");
    static const char* const channelNames[] = {"red", "green", "blue"};
    for (int c = 0; c < channels; ++c) {
        PlotSeries series;
        series.name = channels == 3 ? QString::fromLatin1(channelNames[c]) : QStringLiteral("pixels per bin");
        for (int i = 0; i < 256; ++i)
            series.points.append(QPointF(low + i * width, bins[c][i]));
        data.series.append(series);
    }
    return data;
}
} // namespace

PlotData PlotDataFor(const KORA::CValue& input)
{
    const KORA::CValue& value = *KORA::Unwrap(&input);
    if (value.GenericType() == KORA::GT_POINTER) {
        if (!KORA::IsPointerTo<KORA::CImage>(&value))
            Refuse("cannot plot a " + KORA::HumanReadableTypename(value.Type()));
        const KORA::CImage* image = KORA::UnwrapPointer<KORA::CImage>(&value);
        if (!image || image->Empty())
            Refuse("the image has no pixels");
        if (KORA::ImagePixelSize(image->Type()) == 0)
            Refuse(std::string("cannot plot an image of type ") + KORA::ImageTypeName(image->Type()));
        return Histogram(*image);
    }
    if (value.GenericType() != KORA::GT_VECTOR)
        Refuse(std::string("cannot plot a ") + KORA::GenericTypeName(value.GenericType()) +
               "; expected a vector of numbers, a vector of such vectors, or an image");
    const auto& vector = static_cast<const KORA::CValueVector&>(value);
    PlotData data;
    data.xLabel = QStringLiteral("index");
    data.yLabel = QStringLiteral("value");
    // The first present entry decides between one series and a series per entry.
    const KORA::CValue* first = nullptr;
    for (std::size_t i = 0; i < vector.Size() && !first; ++i)
        first = KORA::Unwrap(vector.At(i));
    if (!first || first->GenericType() != KORA::GT_VECTOR) {
        data.title = QStringLiteral("%1 values").arg(vector.Size());
        data.series.append({QStringLiteral("values"), NumberSeries(vector, std::string())});
        return data;
    }
    for (std::size_t i = 0; i < vector.Size(); ++i) {
        const KORA::CValue* entry = KORA::Unwrap(vector.At(i));
        if (!entry)
            continue;
        if (entry->GenericType() != KORA::GT_VECTOR)
            Refuse("entry " + std::to_string(i) + " is a " + KORA::GenericTypeName(entry->GenericType()) +
                   ", not a vector like entry 0");
        data.series.append({QStringLiteral("series %1").arg(i),
                            NumberSeries(*static_cast<const KORA::CValueVector*>(entry), "entry " + std::to_string(i) + ", ")});
    }
    data.title = QStringLiteral("%1 series").arg(data.series.size());
    return data;
}

} // namespace viewers
