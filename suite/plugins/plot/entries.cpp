// The plot viewer node on Qt Charts.
#include "plotnode.h"

KORA_DEFINE_PLUGIN_ENTRIES({"Plot", &KORA::CreatePluginNode<viewers::PlotNode>})
