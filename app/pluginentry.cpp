// The two C entry points through which the suite lists VORNE and creates it as a node. "RunGraph" is the
// same widget under a second name.
#include "kora/node.h"
#include "mainwindow/pvorne.h"

KORA_DEFINE_PLUGIN_ENTRIES({"Vorne", &KORA::CreatePluginNode<PVorne>},
                           {"RunGraph", &KORA::CreatePluginNode<PVorne>})
