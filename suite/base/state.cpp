#include "kora/state.h"

#include <atomic>
#include <opencv2/core/utils/logger.hpp>
#include <opencv2/core/version.hpp>
#include <oneapi/tbb/version.h>

#include "kora/value.h"

namespace KORA {
namespace {
std::atomic<int> g_state{0};
}

int VexInit(int)
{
    // OpenCV's own console logging would interleave with ours; errors reach users as exceptions.
    cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);
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
