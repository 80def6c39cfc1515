// Loaders for text images and recordings.
#include "readascii.h"
#include "readcine.h"

KORA_DEFINE_PLUGIN_ENTRIES(KORA_PLUGIN_NODE(utility::ReadASCII),
                           KORA_PLUGIN_NODE(loaderkit::ReadCine))
