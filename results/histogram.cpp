#include "results/histogram.h"

#include <algorithm>
#include <cmath>

namespace VORNE {

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 120;
constexpr int kPlotHeight = 96; // the rest is the axis labels
constexpr int kBins = 20;

struct Bins
{
    double low = 0.0;
    double width = 1.0;
    std::vector<int> counts;
};

Bins binValues(const std::vector<double>& values)
{
    const auto [least, most] = std::minmax_element(values.begin(), values.end());
    Bins bins;
    bins.low = *least;
    const bool integral = std::all_of(values.begin(), values.end(), [](double v) { return v == std::floor(v); });
    const double range = *most - *least;
    if (integral && range < kBins * 2) {
        bins.counts.assign(static_cast<std::size_t>(range) + 1, 0);
    } else {
        bins.width = range > 0 ? range / kBins : 1.0;
        bins.counts.assign(range > 0 ? kBins : 1, 0);
    }
    for (const double v : values) {
        const auto bin = static_cast<std::size_t>((v - bins.low) / bins.width);
        ++bins.counts[std::min(bin, bins.counts.size() - 1)];
    }
    return bins;
}

QString number(double value)
{
    return QString::number(value, 'g', 6);
}

} // namespace

QString svgHistogram(const std::vector<double>& input)
{
    std::vector<double> values;
    std::copy_if(input.begin(), input.end(), std::back_inserter(values), [](double v) { return std::isfinite(v); });
    if (values.empty())
        return QString();
    const Bins bins = binValues(values);
    const int tallest = *std::max_element(bins.counts.begin(), bins.counts.end());
    const double barWidth = static_cast<double>(kWidth) / static_cast<double>(bins.counts.size());
    QString svg = QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"histogram\" width=\"%1\" "
                                 "height=\"%2\" viewBox=\"0 0 %1 %2\">")
                      .arg(kWidth)
                      .arg(kHeight);
    for (std::size_t i = 0; i < bins.counts.size(); ++i) {
        const double height = kPlotHeight * static_cast<double>(bins.counts[i]) / tallest;
        const double from = bins.low + static_cast<double>(i) * bins.width;
        svg += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\"><title>%5 to %6: %7</title></rect>")
                   .arg(barWidth * static_cast<double>(i), 0, 'f', 1)
                   .arg(kPlotHeight - height, 0, 'f', 1)
                   .arg(std::max(1.0, barWidth - 1.0), 0, 'f', 1)
                   .arg(height, 0, 'f', 1)
                   .arg(number(from), number(from + bins.width))
                   .arg(bins.counts[i]);
    }
    svg += QStringLiteral("<text x=\"0\" y=\"%1\">%2</text><text x=\"%3\" y=\"%1\" text-anchor=\"end\">%4</text>"
                          "<text x=\"0\" y=\"12\">%5 at most</text></svg>")
               .arg(kHeight - 4)
               .arg(number(bins.low))
               .arg(kWidth)
               .arg(number(bins.low + bins.width * static_cast<double>(bins.counts.size())))
               .arg(tallest);
    return svg;
}

} // namespace VORNE
