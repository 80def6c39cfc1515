#pragma once
#include <QChartView>
#include <QPointer>

#include "viewernode.h"

// Qt 5's charts live in a namespace of their own, Qt 6's in Qt's.
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
QT_CHARTS_USE_NAMESPACE
#endif

class QMainWindow;

namespace viewers {

// plot::Plot: a line plot of input 0 (numbers, vectors of numbers, or an image's histogram) in a
// "PlotMainWindow" built under the host widget on the first execution.
class PlotNode : public ViewerNode
{
public:
    static constexpr const char* kEntryName = "Plot";
    void GetPluginSetup(KORA::CValueMap& setup) override;
    void Run() override;

private:
    QPointer<QMainWindow> m_window;
    QPointer<QChartView> m_view;
};

} // namespace viewers
