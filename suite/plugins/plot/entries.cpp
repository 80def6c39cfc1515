// The plot viewer node on Qt Charts.
#include "plotnode.h"

KORA_DEFINE_PLUGIN_ENTRIES(KORA_PLUGIN_NODE(viewers::PlotNode))
