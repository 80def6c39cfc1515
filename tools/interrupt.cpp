#include "tools/interrupt.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "kora/imageio.h"
#include "tools/indexrunner.h"

namespace VORNE::batch {

namespace {

volatile std::sig_atomic_t g_interrupted = 0;
std::atomic<IndexRunner*> g_target{nullptr};
int g_pipe[2] = {-1, -1};
int g_watchPipe[2] = {-1, -1};
std::mutex g_lastActionMutex;
std::function<void()> g_lastAction;

void notify(int fd)
{
    if (fd >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t ignored = ::write(fd, &byte, 1);
    }
}

void onInterrupt(int)
{
    const int saved = errno;
    g_interrupted = 1;
    if (IndexRunner* runner = g_target.load())
        runner->abort();
    notify(g_pipe[1]);
    notify(g_watchPipe[1]);
    errno = saved;
}

bool waitForSignal(int timeoutMs)
{
    pollfd fd{g_watchPipe[0], POLLIN, 0};
    int ready;
    while ((ready = ::poll(&fd, 1, timeoutMs)) < 0 && errno == EINTR) {
    }
    if (ready <= 0)
        return false;
    char byte;
    [[maybe_unused]] const ssize_t ignored = ::read(g_watchPipe[0], &byte, 1);
    return true;
}

void watch(int graceSeconds, int settleMs)
{
    waitForSignal(-1);
    settleMs = std::min(settleMs, graceSeconds * 1000);
    if (settleMs > 0)
        waitForSignal(settleMs);
    // A second signal ends the wait early.
    waitForSignal(graceSeconds * 1000 - settleMs);
    const int removed = KORA::CImageIo2::RemovePartialFiles();
    {
        std::lock_guard<std::mutex> lock(g_lastActionMutex);
        if (g_lastAction)
            g_lastAction();
    }
    std::fprintf(stderr, "vorne-batch: the running execution did not stop within %d s; exiting%s\n",
                 graceSeconds, removed > 0 ? " (its unfinished files removed)" : "");
    std::fflush(stdout);
    std::fflush(stderr);
    ::_exit(130);
}

// A forked worker must not share its pipes with the parent: each reads its own interrupts.
void renewPipe(int (&ends)[2])
{
    const int old[2] = {ends[0], ends[1]};
    int fresh[2];
    if (::pipe2(fresh, O_CLOEXEC) != 0)
        return;
    ends[0] = fresh[0];
    ends[1] = fresh[1];
    for (const int fd : old)
        if (fd >= 0)
            ::close(fd);
}

} // namespace

void installInterruptHandler()
{
    if (g_pipe[0] < 0 && ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        g_pipe[0] = g_pipe[1] = -1;
    struct sigaction action = {};
    action.sa_handler = &onInterrupt;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a worker blocked reading its next index must wake up.
    action.sa_flags = 0;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

void startWatchdog(int graceSeconds, int settleMs)
{
    renewPipe(g_pipe);
    ::fcntl(g_pipe[0], F_SETFL, O_NONBLOCK);
    ::fcntl(g_pipe[1], F_SETFL, O_NONBLOCK);
    renewPipe(g_watchPipe);
    // Writes from the handler must never block; reads by the watchdog do.
    ::fcntl(g_watchPipe[1], F_SETFL, O_NONBLOCK);
    if (interrupted())
        notify(g_watchPipe[1]);
    std::thread(watch, graceSeconds, settleMs).detach();
}

bool interrupted()
{
    return g_interrupted != 0;
}

void setAbortTarget(IndexRunner* runner)
{
    g_target.store(runner);
}

int interruptDescriptor()
{
    return g_pipe[0];
}

void setLastAction(std::function<void()> action)
{
    std::lock_guard<std::mutex> lock(g_lastActionMutex);
    g_lastAction = std::move(action);
}

} // namespace VORNE::batch
