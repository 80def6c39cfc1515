#include "viewers/plot.h"

#include "viewers/viewerkinds.h"

namespace VORNE {

Plot::Plot(int portType, int portIndex, QWidget* parent)
    : PluginDisplay(viewerKindOf<Plot>(), portType, portIndex, parent)
{
}

} // namespace VORNE
