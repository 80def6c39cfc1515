#include "pluginloader.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace KORA {
namespace detail {

namespace {

const char* const kSource = "plug-in loader";

std::string RealPath(const std::string& path)
{
    char buffer[PATH_MAX];
    return realpath(path.c_str(), buffer) ? std::string(buffer) : std::string();
}

bool IsRegularFile(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool IsInside(const std::string& file, const std::string& folder)
{
    if (folder.empty() || file.size() <= folder.size() || file.compare(0, folder.size(), folder) != 0)
        return false;
    return folder.back() == '/' || file[folder.size()] == '/';
}

// "<dir>/lib<name>.so", then "<dir>/<name>.so", then the name itself when it already ends in ".so".
std::vector<std::string> Candidates(const std::string& library)
{
    const std::size_t slash = library.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string(".") : library.substr(0, slash);
    const std::string name = slash == std::string::npos ? library : library.substr(slash + 1);
    std::vector<std::string> candidates{dir + "/lib" + name + ".so", dir + "/" + name + ".so"};
    if (name.size() > 3 && name.compare(name.size() - 3, 3, ".so") == 0)
        candidates.push_back(library);
    return candidates;
}

std::mutex& CacheMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::map<std::string, std::unique_ptr<PluginLibrary>>& Cache()
{
    static auto* cache = new std::map<std::string, std::unique_ptr<PluginLibrary>>();
    return *cache;
}

// The libraries of Cache() by the name and settings they were loaded under.
std::unordered_map<std::string, const PluginLibrary*>& Known()
{
    static auto* known = new std::unordered_map<std::string, const PluginLibrary*>();
    return *known;
}

} // namespace

PluginPath PluginLoader::Parse(const char* path)
{
    if (!path || !*path)
        throw CException("empty plug-in path", kSource);
    const std::string expanded = CStringTools::UnwrapEnvVars(path);
    PluginPath result;
    const std::size_t separator = expanded.rfind("::");
    if (separator == std::string::npos) {
        result.library = expanded;
    } else {
        result.library = expanded.substr(0, separator);
        result.entry = expanded.substr(separator + 2);
    }
    if (result.library.empty())
        throw CException("plug-in path '" + std::string(path) + "' names no library", kSource);
    return result;
}

std::vector<std::string> PluginLoader::AllowedFolders()
{
    std::vector<std::string> folders;
    const CString koradir = CString::GetEnv("KORADIR");
    if (!koradir.empty()) {
        const std::string bin = RealPath(koradir + "/bin");
        if (!bin.empty())
            folders.push_back(bin);
    }
    const CString extra = CString::GetEnv("KORA_PLUGIN_PATH");
    std::size_t start = 0;
    while (start <= extra.size()) {
        std::size_t end = extra.find(':', start);
        if (end == std::string::npos)
            end = extra.size();
        if (end > start) {
            const std::string folder = RealPath(extra.substr(start, end - start));
            if (!folder.empty())
                folders.push_back(folder);
        }
        start = end + 1;
    }
    return folders;
}

const PluginLibrary& PluginLoader::Load(const std::string& library)
{
    // A graph names the same library for many nodes; resolving and checking it costs several system
    // calls, so a library once loaded is found again by its name under the same confinement settings.
    const std::string key = library + '\n' + CString::GetEnv("KORADIR") + '\n' + CString::GetEnv("KORA_PLUGIN_PATH");
    {
        std::lock_guard<std::mutex> lock(CacheMutex());
        if (auto known = Known().find(key); known != Known().end())
            return *known->second;
    }
    const PluginLibrary& loaded = LoadChecked(library);
    std::lock_guard<std::mutex> lock(CacheMutex());
    Known().emplace(key, &loaded);
    return loaded;
}

const PluginLibrary& PluginLoader::LoadChecked(const std::string& library)
{
    std::string file;
    for (const std::string& candidate : Candidates(library)) {
        if (IsRegularFile(candidate)) {
            file = candidate;
            break;
        }
    }
    if (file.empty())
        throw CException("plug-in library not found (looked for lib<name>.so and <name>.so)", library);

    const std::string resolved = RealPath(file);
    bool allowed = false;
    for (const std::string& folder : AllowedFolders())
        allowed = allowed || IsInside(resolved, folder);
    if (!allowed)
        throw CException("plug-in library '" + resolved +
                             "' lies outside $KORADIR/bin and the folders of KORA_PLUGIN_PATH; refused",
                         library);

    std::lock_guard<std::mutex> lock(CacheMutex());
    auto& cache = Cache();
    if (auto found = cache.find(resolved); found != cache.end())
        return *found->second;

    dlerror();
    void* handle = dlopen(resolved.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = dlerror();
        throw CException(std::string("cannot load plug-in library: ") + (reason ? reason : "unknown reason"),
                         resolved);
    }
    auto loaded = std::make_unique<PluginLibrary>();
    loaded->file = resolved;
    loaded->list = reinterpret_cast<CValueVector* (*)()>(dlsym(handle, "ListPlugins"));
    loaded->create = reinterpret_cast<IPluginObject* (*)(const char*)>(dlsym(handle, "CreatePluginInstanceEx"));
    if (!loaded->list || !loaded->create) {
        // Not a plug-in. It stays loaded all the same: its initialisers have run and may have registered
        // handlers that outlive an unload.
        throw CException("not a plug-in library (ListPlugins or CreatePluginInstanceEx missing)", resolved);
    }
    return *cache.emplace(resolved, std::move(loaded)).first->second;
}

} // namespace detail

namespace {

std::string EntryNames(const detail::PluginLibrary& library)
{
    std::unique_ptr<CValueVector> names(library.list());
    std::string text;
    for (std::size_t i = 0; names && i < names->Size(); ++i) {
        const CValue* name = names->At(i);
        if (name && name->GenericType() == GT_STRING)
            text += (text.empty() ? "" : ", ") + static_cast<const CValueString*>(name)->Value();
    }
    return text;
}

} // namespace

IPluginObject* GetPluginObject(const char* instanceName, const char* path, const CValueMap* initMap)
{
    const detail::PluginPath parsed = detail::PluginLoader::Parse(path);
    if (parsed.entry.empty())
        throw CException("plug-in path names no entry (expected <library>::<entry>)", path);
    const detail::PluginLibrary& library = detail::PluginLoader::Load(parsed.library);
    std::unique_ptr<IPluginObject> object(library.create(parsed.entry.c_str()));
    if (!object)
        throw CException("no entry '" + parsed.entry + "' in plug-in library '" + library.file +
                             "' (it has: " + EntryNames(library) + ")",
                         path);
    if (instanceName)
        object->SetInstance(instanceName);
    if (initMap) {
        if (auto* node = dynamic_cast<CPNode*>(object.get()))
            node->Init(initMap);
    }
    return object.release();
}

std::vector<std::string> LoadedPluginLibraries()
{
    std::lock_guard<std::mutex> lock(detail::CacheMutex());
    std::vector<std::string> files;
    for (const auto& entry : detail::Cache())
        files.push_back(entry.first);
    return files;
}

CValueVector* ListPluginEntries(const char* libraryPath)
{
    const detail::PluginPath parsed = detail::PluginLoader::Parse(libraryPath);
    const detail::PluginLibrary& library = detail::PluginLoader::Load(parsed.library);
    CValueVector* names = library.list();
    return names ? names : new CValueVector();
}

} // namespace KORA
