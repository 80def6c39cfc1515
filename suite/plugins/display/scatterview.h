#pragma once
// The scatter-plot canvas: points with axes, ticks at round numbers, axis labels and a title.
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QVector>
#include <QWidget>

namespace KORA {
class CValue;
}

namespace viewers {

// The points of a value: a vector of [x, y] vectors of numbers (absent entries skipped), or a grey
// image two pixels wide whose rows are points (x = column 0, y = column 1). CException naming
// ScatterPlot and the offending entry or type for anything else.
QVector<QPointF> ScatterPoints(const KORA::CValue& value);

// Tick positions at 1, 2 or 5 times a power of ten covering [low, high], about count of them.
QVector<double> NiceTicks(double low, double high, int count);

class ScatterView : public QWidget
{
    Q_OBJECT
    // For hosts and tests, which see the view only as a QObject.
    Q_PROPERTY(int pointCount READ pointCount)
    Q_PROPERTY(QRectF dataRange READ dataRange)
    Q_PROPERTY(QString title READ title)

public:
    explicit ScatterView(QWidget* parent = nullptr);

    void setPoints(const QVector<QPointF>& points, const QString& title);
    const QVector<QPointF>& points() const noexcept { return m_points; }
    int pointCount() const noexcept { return m_points.size(); }
    // The data range shown, padded so that no point sits on the frame.
    QRectF dataRange() const noexcept { return m_range; }
    QString title() const { return m_title; }
    QString xLabel() const { return QStringLiteral("x"); }
    QString yLabel() const { return QStringLiteral("y"); }

    QSize sizeHint() const override { return QSize(480, 400); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVector<QPointF> m_points;
    QRectF m_range;
    QString m_title;
};

} // namespace viewers
