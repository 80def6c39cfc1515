#pragma once
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "kora/export.h"

namespace KORA {

class CValueMap;

// Library start and stop. VexInit may be called any number of times; flags -1 means the defaults.
// VexState() is 0 before VexInit and after VexExit, 1 in between.
KORA_API int VexInit(int flags);
KORA_API void VexExit();
KORA_API int VexState();
// "tovil 0.1.0 (OpenCV 4.6.0, oneTBB 2021.8.0)": the library's version and what it runs on.
KORA_API const char* GetVexlibVersion();
// The versions of the libraries the base library runs on, as they report themselves at run time (which
// may differ from the headers it was built with): {"OpenCV", "4.6.0"}, {"libpng", ...}, {"zlib", ...},
// {"oneTBB", ...}. A library it is not linked to has no entry.
KORA_API std::vector<std::pair<std::string, std::string>> RuntimeLibraryVersions();

// A recursive lock, also usable with std::lock_guard.
class KORA_API CCriticalSection
{
public:
    CCriticalSection();
    ~CCriticalSection();
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;

    void Enter();
    void Leave();
    bool TryEnter();
    void lock() { Enter(); }
    void unlock() { Leave(); }

private:
    std::recursive_mutex m_mutex;
};

// Process-wide settings of the library, one map for the whole process. Access under Lock().
class KORA_API CRegistry
{
public:
    static CRegistry& Obj();
    CCriticalSection& Lock() noexcept { return m_lock; }
    CValueMap& Values();

private:
    CRegistry();
    ~CRegistry();
    CCriticalSection m_lock;
    CValueMap* m_values;
};

} // namespace KORA
