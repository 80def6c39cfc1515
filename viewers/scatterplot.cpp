#include "viewers/scatterplot.h"

#include "viewers/viewerkinds.h"

namespace VORNE {

ScatterPlot::ScatterPlot(int portType, int portIndex, QWidget* parent)
    : PluginDisplay(viewerKindOf<ScatterPlot>(), portType, portIndex, parent)
{
}

} // namespace VORNE
