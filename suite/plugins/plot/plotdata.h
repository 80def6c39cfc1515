#pragma once
// What the plot viewer draws for a value, apart from the drawing: named series of points and the labels.
#include <QPointF>
#include <QString>
#include <QVector>

namespace KORA {
class CValue;
}

namespace viewers {

struct PlotSeries
{
    QString name;
    QVector<QPointF> points;
};

struct PlotData
{
    QString title;
    QString xLabel;
    QString yLabel;
    QVector<PlotSeries> series;
};

// A vector of numbers: one series over the index. A vector of vectors of numbers: one series each. An
// image: its histogram in 256 bins (8-bit types one bin per value, RGB one series per channel, other
// types 256 equal bins from minimum to maximum, complex images by magnitude). Absent entries are skipped.
// CException naming Plot and the offending entry or kind for anything else.
PlotData PlotDataFor(const KORA::CValue& value);

} // namespace viewers
