#pragma once
#include <QPointer>

#include "viewernode.h"

class QMainWindow;
namespace QtCharts {
class QChartView;
}

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
    QPointer<QtCharts::QChartView> m_view;
};

} // namespace viewers
