#pragma once
// The scatter-plot viewer: the suite's display::ScatterPlot plug-in draws [x, y] pairs inside this window.
#include "viewers/plugindisplay.h"

namespace VORNE {

class ScatterPlot : public PluginDisplay
{
    Q_OBJECT

public:
    ScatterPlot(int portType, int portIndex, QWidget* parent = nullptr);

protected slots:
    bool updateView(VORNE::Item* item) override { return PluginDisplay::updateView(item); }
};

} // namespace VORNE
