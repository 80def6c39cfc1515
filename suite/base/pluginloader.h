#pragma once
// Private to the base library: finding, confining and loading plug-in libraries.
#include <string>

#include "kora/node.h"

namespace KORA {
namespace detail {

// "<dir>/<library>::<entry>" after %VAR% expansion. A path without "::" names only a library.
struct PluginPath
{
    std::string library;
    std::string entry;
};

// A library once loaded stays loaded for the life of the process: objects and code it handed out may
// live anywhere, so unloading is never safe.
struct PluginLibrary
{
    std::string file; // the resolved path of the shared object
    CValueVector* (*list)();
    IPluginObject* (*create)(const char*);
};

class PluginLoader
{
public:
    static PluginPath Parse(const char* path);
    // Loads (or finds already loaded) the library; thread-safe. CException naming the library otherwise.
    static const PluginLibrary& Load(const std::string& library);
    // Folders a plug-in library may come from: realpath of $KORADIR/bin and of each KORA_PLUGIN_PATH entry.
    static std::vector<std::string> AllowedFolders();

private:
    // Finds the file, checks that it lies in an allowed folder and loads it, or finds it loaded.
    static const PluginLibrary& LoadChecked(const std::string& library);
};

} // namespace detail
} // namespace KORA
