#include "tools/interrupt.h"

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

void watch(int graceSeconds)
{
    waitForSignal(-1);
    // A second signal ends the wait early.
    waitForSignal(graceSeconds * 1000);
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

} // namespace

void installInterruptHandler(int graceSeconds)
{
    if (g_pipe[0] < 0 && ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        g_pipe[0] = g_pipe[1] = -1;
    if (g_watchPipe[0] < 0 && ::pipe2(g_watchPipe, O_CLOEXEC) == 0) {
        // Writes from the handler must never block; reads by the watchdog do.
        ::fcntl(g_watchPipe[1], F_SETFL, O_NONBLOCK);
        std::thread(watch, graceSeconds).detach();
    }
    struct sigaction action = {};
    action.sa_handler = &onInterrupt;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a worker blocked reading its next index must wake up.
    action.sa_flags = 0;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
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
