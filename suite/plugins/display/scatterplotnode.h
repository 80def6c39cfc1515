#pragma once
#include <QPointer>

#include "viewernode.h"

class QMainWindow;

namespace viewers {

class ScatterView;

// display::ScatterPlot: a scatter plot of input 0 (a vector of [x, y] pairs or a two-column image) in a
// "ScatterPlotMainWindow" built under the host widget on the first execution.
class ScatterPlotNode : public ViewerNode
{
public:
    static constexpr const char* kEntryName = "ScatterPlot";
    void GetPluginSetup(KORA::CValueMap& setup) override;
    void Run() override;

private:
    QPointer<QMainWindow> m_window;
    QPointer<ScatterView> m_view;
};

} // namespace viewers
