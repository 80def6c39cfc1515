// Volume loaders. The other names of the loader table (Load, LoadGDT, LoadVGI, LoadVGL) are not offered:
// asking for them gives no object, and the runner reports the entry as missing.
#include "loadavs.h"
#include "loadmrc.h"
#include "loadrek.h"

KORA_DEFINE_PLUGIN_ENTRIES(KORA_PLUGIN_NODE(ruxokit::LoadREK),
                           KORA_PLUGIN_NODE(ruxokit::LoadMRC),
                           KORA_PLUGIN_NODE(ruxokit::LoadAVS))
