#include "kora/state.h"

#include <atomic>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <opencv2/core/utility.hpp>
#include <opencv2/core/utils/logger.hpp>
#include <png.h>
#include <zlib.h>
#ifdef TOVIL_HAS_LIBTIFF
#include <tiffio.h>
#endif
#include <opencv2/core/version.hpp>
#include <oneapi/tbb/version.h>

#include "kora/value.h"

namespace KORA {
namespace {
std::atomic<int> g_state{0};

// Image buffers are large and short-lived: a batch frees and allocates the same few megabytes for every
// input. glibc would hand each of them back to the kernel (mmap/munmap) and fault it in again, which on
// multi-threaded graphs cost a fifth of a batch's time. Keeping them in the heap lets the next image reuse
// the pages.
void KeepImageBuffersInTheHeap()
{
#ifdef __GLIBC__
    static std::once_flag once;
    std::call_once(once, [] {
        mallopt(M_MMAP_THRESHOLD, 64 * 1024 * 1024);
        mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
    });
#endif
}
} // namespace

int VexInit(int)
{
    // OpenCV's own console logging would interleave with ours; errors reach users as exceptions.
    cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);
    KeepImageBuffersInTheHeap();
    g_state = 1;
    return g_state;
}

void VexExit()
{
    g_state = 0;
}

int VexState()
{
    return g_state;
}

const char* GetVexlibVersion()
{
    static const std::string version = std::string("tovil ") + TOVIL_VERSION + " (OpenCV " CV_VERSION ", oneTBB " +
                                       TBB_runtime_version() + ")";
    return version.c_str();
}

std::vector<std::pair<std::string, std::string>> RuntimeLibraryVersions()
{
    std::vector<std::pair<std::string, std::string>> versions{{"OpenCV", cv::getVersionString()},
                                                              {"libpng", png_get_libpng_ver(nullptr)},
                                                              {"zlib", zlibVersion()},
                                                              {"oneTBB", TBB_runtime_version()}};
#ifdef TOVIL_HAS_LIBTIFF
    // "LIBTIFF, Version 4.5.0\nCopyright ...": the number of the first line.
    std::string tiff = TIFFGetVersion();
    tiff = tiff.substr(0, tiff.find('\n'));
    versions.emplace_back("libtiff", tiff.substr(tiff.rfind(' ') + 1));
#endif
    return versions;
}

CCriticalSection::CCriticalSection() = default;
CCriticalSection::~CCriticalSection() = default;

void CCriticalSection::Enter()
{
    m_mutex.lock();
}

void CCriticalSection::Leave()
{
    m_mutex.unlock();
}

bool CCriticalSection::TryEnter()
{
    return m_mutex.try_lock();
}

CRegistry& CRegistry::Obj()
{
    static CRegistry registry;
    return registry;
}

CRegistry::CRegistry() : m_values(new CValueMap) {}

CRegistry::~CRegistry()
{
    delete m_values;
}

CValueMap& CRegistry::Values()
{
    return *m_values;
}

} // namespace KORA
