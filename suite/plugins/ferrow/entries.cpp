// The recording loader under the name the executor asks for; the reader is the one the utility
// plug-in offers too.
#include "readcine.h"

KORA_DEFINE_PLUGIN_ENTRIES(KORA_PLUGIN_NODE(loaderkit::ReadCine))
