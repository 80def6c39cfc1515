// Volume loaders. The other names of the loader table (Load, LoadGDT, LoadVGI, LoadVGL) are not offered:
// asking for them gives no object, and the runner reports the entry as missing.
#include "loadavs.h"
#include "loadmrc.h"
#include "loadrek.h"

KORA_DEFINE_PLUGIN_ENTRIES({"LoadREK", &KORA::CreatePluginNode<ruxokit::LoadREK>},
                           {"LoadMRC", &KORA::CreatePluginNode<ruxokit::LoadMRC>},
                           {"LoadAVS", &KORA::CreatePluginNode<ruxokit::LoadAVS>})
