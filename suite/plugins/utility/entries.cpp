// Loaders for text images and recordings.
#include "readascii.h"
#include "readcine.h"

KORA_DEFINE_PLUGIN_ENTRIES({"ReadASCII", &KORA::CreatePluginNode<utility::ReadASCII>},
                           {"ReadCine", &KORA::CreatePluginNode<loaderkit::ReadCine>})
