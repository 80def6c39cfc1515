// The viewer nodes on Qt Widgets.
#include "displaynode.h"
#include "scatterplotnode.h"

KORA_DEFINE_PLUGIN_ENTRIES({"Display", &KORA::CreatePluginNode<viewers::DisplayNode>},
                           {"ScatterPlot", &KORA::CreatePluginNode<viewers::ScatterPlotNode>})
