// Linked into every test program of a sanitized build. Qt waits for its own threads (QtTest's watchdog, the
// global thread pool's) and deletes their QThread objects, but each system thread ends a moment later and
// only then lets go of Qt's data of its thread; a process reaching the leak check at exit first would report
// that data. This waits, after main, until the other threads are gone (bounded: one that never ends, such
// as a library's worker, only costs the bound).
#include <dirent.h>
#include <unistd.h>

namespace {

int threadCount()
{
    DIR* tasks = ::opendir("/proc/self/task");
    if (tasks == nullptr)
        return 1;
    int count = 0;
    while (const dirent* entry = ::readdir(tasks))
        count += entry->d_name[0] != '.';
    ::closedir(tasks);
    return count;
}

struct ThreadsGoneAtExit {
    ~ThreadsGoneAtExit()
    {
        for (int attempt = 0; attempt < 2000 && threadCount() > 1; ++attempt)
            ::usleep(500);
    }
} g_threadsGone;

} // namespace
