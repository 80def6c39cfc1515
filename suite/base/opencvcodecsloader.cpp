#include "opencvcodecs.h"

#include <dlfcn.h>

#include <mutex>

#include "kora/exception.h"

namespace KORA::detail {

namespace {

const char kModule[] = "libtovil_codecs.so";

// Beside this library, wherever the build tree or the installation put it; never found through the search
// path, where another program's module of the same name could sit.
std::string ModulePath()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&Codecs), &info) == 0 || !info.dli_fname)
        return kModule;
    const std::string library = info.dli_fname;
    const std::size_t slash = library.rfind('/');
    return slash == std::string::npos ? kModule : library.substr(0, slash + 1) + kModule;
}

} // namespace

const OpenCvCodecs& Codecs()
{
    static std::mutex mutex;
    static const OpenCvCodecs* table = nullptr;
    const std::lock_guard<std::mutex> lock(mutex);
    if (table)
        return *table;
    const std::string path = ModulePath();
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        // dlerror() names the file first; the exception names it already.
        std::string reason = dlerror();
        if (reason.compare(0, path.size() + 2, path + ": ") == 0)
            reason.erase(0, path.size() + 2);
        throw CExIo("cannot load the image codecs: " + reason, path);
    }
    using Entry = const OpenCvCodecs* (*)();
    const auto entry = reinterpret_cast<Entry>(dlsym(module, "KoraOpenCvCodecs"));
    if (!entry)
        throw CExIo("cannot load the image codecs: the module has no table", path);
    // Never unloaded: decoded images and OpenCV's own state may still refer to it at exit.
    table = entry();
    return *table;
}

} // namespace KORA::detail
