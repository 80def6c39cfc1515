#include "scatterview.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <QPainter>
#include <QPainterPath>

#include "kora/exception.h"
#include "kora/image.h"
#include "kora/valuepointer.h"

namespace viewers {

namespace {
[[noreturn]] void Refuse(const std::string& reason)
{
    throw KORA::CException("ScatterPlot: " + reason, "ScatterPlot");
}

bool Number(const KORA::CValue* value, double& number)
{
    value = KORA::Unwrap(value);
    if (!value)
        return false;
    if (value->GenericType() == KORA::GT_LONG) {
        number = static_cast<double>(static_cast<const KORA::CValueLong*>(value)->Value());
        return true;
    }
    if (value->GenericType() == KORA::GT_DOUBLE) {
        number = static_cast<const KORA::CValueDouble*>(value)->Value();
        return true;
    }
    return false;
}

template <class T>
QVector<QPointF> ColumnPoints(const KORA::CImage& image)
{
    QVector<QPointF> points;
    points.reserve(static_cast<int>(image.Size().Height()));
    for (int64_t y = 0; y < image.Size().Height(); ++y) {
        const T* row = image.Row<T>(y);
        points.append(QPointF(static_cast<double>(row[0]), static_cast<double>(row[1])));
    }
    return points;
}
} // namespace

QVector<QPointF> ScatterPoints(const KORA::CValue& value)
{
    if (value.GenericType() == KORA::GT_POINTER) {
        if (!KORA::IsPointerTo<KORA::CImage>(&value))
            Refuse("cannot plot a " + KORA::HumanReadableTypename(value.Type()));
        const KORA::CImage* image = KORA::UnwrapPointer<KORA::CImage>(&value);
        if (!image)
            Refuse("the image pointer is null");
        const KORA::CSize size = image->Size();
        if (size.Width() != 2 || size.Depth() != 1)
            Refuse("an image must be two columns wide (x, y) and 2-D, not " + size.ToString());
        if (size.Height() > std::numeric_limits<int>::max() / 2)
            Refuse("too many points: " + std::to_string(size.Height()));
        switch (image->Type()) {
        case KORA::IMAGE_GREY_8:
            return ColumnPoints<uint8_t>(*image);
        case KORA::IMAGE_GREY_16:
            return ColumnPoints<uint16_t>(*image);
        case KORA::IMAGE_GREY_F:
            return ColumnPoints<float>(*image);
        default:
            Refuse(std::string("cannot plot an image of type ") + KORA::ImageTypeName(image->Type()));
        }
    }
    if (value.GenericType() != KORA::GT_VECTOR)
        Refuse(std::string("cannot plot a ") + KORA::GenericTypeName(value.GenericType()) +
               "; expected a vector of [x, y] pairs or a two-column image");
    const auto& entries = static_cast<const KORA::CValueVector&>(value);
    QVector<QPointF> points;
    points.reserve(static_cast<int>(std::min<std::size_t>(entries.Size(), 1u << 24)));
    for (std::size_t i = 0; i < entries.Size(); ++i) {
        const KORA::CValue* entry = KORA::Unwrap(entries.At(i));
        if (!entry)
            continue;
        double x = 0.0, y = 0.0;
        if (entry->GenericType() != KORA::GT_VECTOR || static_cast<const KORA::CValueVector*>(entry)->Size() != 2 ||
            !Number(static_cast<const KORA::CValueVector*>(entry)->At(0), x) ||
            !Number(static_cast<const KORA::CValueVector*>(entry)->At(1), y))
            Refuse("entry " + std::to_string(i) + " is no [x, y] pair of numbers");
        points.append(QPointF(x, y));
    }
    return points;
}

QVector<double> NiceTicks(double low, double high, int count)
{
    QVector<double> ticks;
    if (!(high > low) || !std::isfinite(low) || !std::isfinite(high) || count < 1)
        return ticks;
    const double rough = (high - low) / count;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    // The round step nearest to the rough one, so that the count stays close to what was asked.
    const double ratio = rough / power;
    const double step = power * (ratio < 1.5 ? 1.0 : ratio < 3.5 ? 2.0 : ratio < 7.5 ? 5.0 : 10.0);
    for (double t = std::ceil(low / step) * step; t <= high + step * 1e-9; t += step)
        ticks.append(std::abs(t) < step * 1e-9 ? 0.0 : t);
    return ticks;
}

ScatterView::ScatterView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ScatterView"));
    setMinimumSize(200, 160);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
}

void ScatterView::setPoints(const QVector<QPointF>& points, const QString& title)
{
    m_points = points;
    m_title = title;
    double x0 = std::numeric_limits<double>::infinity(), x1 = -x0, y0 = x0, y1 = -x0;
    for (const QPointF& p : m_points) {
        if (!std::isfinite(p.x()) || !std::isfinite(p.y()))
            continue;
        x0 = std::min(x0, p.x());
        x1 = std::max(x1, p.x());
        y0 = std::min(y0, p.y());
        y1 = std::max(y1, p.y());
    }
    if (!(x1 >= x0)) {
        x0 = y0 = 0.0;
        x1 = y1 = 1.0;
    }
    // A single point or a line of points still gets a readable range.
    auto widen = [](double& a, double& b) {
        const double pad = b > a ? (b - a) * 0.05 : std::max(1.0, std::abs(a) * 0.1);
        a -= pad;
        b += pad;
    };
    widen(x0, x1);
    widen(y0, y1);
    m_range = QRectF(QPointF(x0, y0), QPointF(x1, y1));
    update();
}

void ScatterView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics metrics(font());
    const int line = metrics.height();
    const QRect plot = rect().adjusted(metrics.horizontalAdvance(QStringLiteral("-0000.00")) + line + 10, 2 * line + 8,
                                       -16, -(2 * line + 14));
    if (plot.width() < 10 || plot.height() < 10)
        return;
    auto toScreen = [&](double x, double y) {
        return QPointF(plot.left() + (x - m_range.left()) / m_range.width() * plot.width(),
                       plot.bottom() - (y - m_range.top()) / m_range.height() * plot.height());
    };

    painter.setPen(palette().color(QPalette::WindowText));
    QFont titleFont = font();
    titleFont.setBold(true);
    painter.setFont(titleFont);
    painter.drawText(QRect(0, 4, width(), line + 4), Qt::AlignCenter, m_title);
    painter.setFont(font());

    const QColor grid(225, 225, 225);
    for (double t : NiceTicks(m_range.left(), m_range.right(), std::max(2, plot.width() / 90))) {
        const double sx = toScreen(t, 0).x();
        painter.setPen(grid);
        painter.drawLine(QPointF(sx, plot.top()), QPointF(sx, plot.bottom()));
        painter.setPen(Qt::black);
        painter.drawLine(QPointF(sx, plot.bottom()), QPointF(sx, plot.bottom() + 4));
        painter.drawText(QRectF(sx - 50, plot.bottom() + 5, 100, line), Qt::AlignHCenter | Qt::AlignTop,
                         QString::number(t, 'g', 6));
    }
    for (double t : NiceTicks(m_range.top(), m_range.bottom(), std::max(2, plot.height() / 60))) {
        const double sy = toScreen(0, t).y();
        painter.setPen(grid);
        painter.drawLine(QPointF(plot.left(), sy), QPointF(plot.right(), sy));
        painter.setPen(Qt::black);
        painter.drawLine(QPointF(plot.left() - 4, sy), QPointF(plot.left(), sy));
        painter.drawText(QRectF(line + 2, sy - line / 2.0, plot.left() - line - 8, line), Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(t, 'g', 6));
    }
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot);
    painter.drawText(QRect(plot.left(), plot.bottom() + line + 8, plot.width(), line), Qt::AlignHCenter, xLabel());
    painter.save();
    painter.translate(4, plot.center().y());
    painter.rotate(-90);
    painter.drawText(QRect(-plot.height() / 2, 0, plot.height(), line), Qt::AlignHCenter, yLabel());
    painter.restore();

    painter.setClipRect(plot);
    painter.setPen(QPen(QColor(20, 80, 170), 1.0));
    painter.setBrush(QColor(60, 130, 220, 170));
    for (const QPointF& p : m_points)
        if (std::isfinite(p.x()) && std::isfinite(p.y()))
            painter.drawEllipse(toScreen(p.x(), p.y()), 3.5, 3.5);
}

} // namespace viewers
