// The viewer nodes on Qt Widgets.
#include "displaynode.h"
#include "scatterplotnode.h"

KORA_DEFINE_PLUGIN_ENTRIES(KORA_PLUGIN_NODE(viewers::DisplayNode),
                           KORA_PLUGIN_NODE(viewers::ScatterPlotNode))
