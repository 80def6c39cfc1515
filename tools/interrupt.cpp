#include "tools/interrupt.h"

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include "tools/indexrunner.h"

namespace VORNE::batch {

namespace {

volatile std::sig_atomic_t g_interrupted = 0;
std::atomic<IndexRunner*> g_target{nullptr};
int g_pipe[2] = {-1, -1};

void onInterrupt(int)
{
    g_interrupted = 1;
    if (IndexRunner* runner = g_target.load())
        runner->abort();
    if (g_pipe[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t ignored = ::write(g_pipe[1], &byte, 1);
    }
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

} // namespace VORNE::batch
