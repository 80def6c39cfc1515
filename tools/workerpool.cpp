#include "tools/workerpool.h"

#include <QDir>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tools/interrupt.h"
#include "tools/logging.h"
#include "tools/processexit.h"

namespace VORNE::batch {

namespace {

// Indices a worker holds beyond the one it runs: the one it decodes ahead, and the one it asks for while
// the last result is still being saved, so that it never waits for the parent between two.
constexpr int kAhead = 2;

void closeDescriptor(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

WorkerPool::WorkerPool(Work work, int workers, ResultHandler handler)
    : m_work(std::move(work)), m_workerCount(workers), m_handler(std::move(handler))
{
}

WorkerPool::~WorkerPool()
{
    for (const auto& worker : m_workers) {
        if (worker->socket < 0)
            continue;
        closeDescriptor(worker->socket);
        ::kill(worker->pid, SIGKILL);
        ::waitpid(worker->pid, nullptr, 0);
    }
}

bool WorkerPool::singleThreaded()
{
    // A thread that was just joined can still be on its way out; give it a moment.
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size() == 1)
            return true;
        QThread::msleep(2);
    }
    return false;
}

bool WorkerPool::spawn()
{
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        qCWarning(lcBatch) << "no socket for a worker:" << strerror(errno);
        return false;
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        qCWarning(lcBatch) << "cannot start a worker:" << strerror(errno);
        ::close(ends[0]);
        ::close(ends[1]);
        return false;
    }
    if (pid == 0) {
        // The other workers' sockets must close with the parent's, or those workers never see their end.
        for (const auto& other : m_workers)
            closeDescriptor(other->socket);
        ::close(ends[0]);
        // No destructors of the parent's objects and no flushing of its buffers: they are the parent's.
        ::_exit(checkedForLeaks(m_work(ends[1], ends[1])));
    }
    ::close(ends[1]);
    auto worker = std::make_unique<Worker>();
    worker->pid = pid;
    worker->socket = ends[0];
    m_workers.push_back(std::move(worker));
    feed(*m_workers.back());
    return true;
}

void WorkerPool::run(const QList<int>& indices)
{
    m_queue = indices;
    for (int i = 0; i < std::min(m_workerCount, static_cast<int>(m_queue.size())); ++i)
        spawn();
    while (true) {
        std::vector<pollfd> fds{{interruptDescriptor(), POLLIN, 0}};
        std::vector<Worker*> polled;
        for (const auto& worker : m_workers)
            if (worker->socket >= 0) {
                fds.push_back({worker->socket, POLLIN, 0});
                polled.push_back(worker.get());
            }
        if (polled.empty())
            break;
        const int ready = ::poll(fds.data(), fds.size(), waitMs());
        if (ready == 0) {
            killWorkers();
            continue;
        }
        if (ready < 0)
            continue; // EINTR: the interrupt's byte is read below
        if (fds[0].revents & POLLIN)
            forwardInterrupt();
        for (std::size_t i = 0; i < polled.size(); ++i)
            if (fds[i + 1].revents && !readResults(*polled[i]))
                workerEnded(*polled[i]);
    }
    // Only when no worker could be started at all.
    for (const int index : m_queue)
        if (!m_stopping)
            m_handler({{"index", index}, {"ms", 0}, {"failed", true}, {"error", "no worker process could be started"},
                       {"outputs", nlohmann::json::array()}});
}

void WorkerPool::feed(Worker& worker)
{
    std::string lines;
    while (!m_stopping && !m_queue.isEmpty() && worker.outstanding.size() <= kAhead) {
        const int index = m_queue.takeFirst();
        worker.outstanding << index;
        lines += std::to_string(index) + '\n';
    }
    // A worker that died meanwhile is seen when its socket ends.
    if (!lines.empty()) {
        [[maybe_unused]] const ssize_t ignored = ::send(worker.socket, lines.data(), lines.size(), MSG_NOSIGNAL);
    }
    // The end of its input tells a worker to finish.
    if (m_queue.isEmpty() || m_stopping)
        ::shutdown(worker.socket, SHUT_WR);
}

bool WorkerPool::readResults(Worker& worker)
{
    char chunk[4096];
    const ssize_t n = ::read(worker.socket, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR)
        return true;
    if (n <= 0)
        return false;
    worker.pending.append(chunk, static_cast<std::size_t>(n));
    std::size_t end;
    while ((end = worker.pending.find('\n')) != std::string::npos) {
        const nlohmann::json result = nlohmann::json::parse(worker.pending.substr(0, end), nullptr, false);
        worker.pending.erase(0, end + 1);
        if (result.is_object() && result.contains("running") && result["running"].is_number_integer())
            worker.running = result["running"].get<int>();
        if (!result.is_object() || !result.contains("index"))
            continue;
        worker.outstanding.removeOne(result["index"].get<int>());
        m_handler(result);
    }
    feed(worker);
    return true;
}

void WorkerPool::workerEnded(Worker& worker)
{
    closeDescriptor(worker.socket);
    int status = 0;
    ::waitpid(worker.pid, &status, 0);
    if (m_stopping || worker.outstanding.isEmpty())
        return;
    const std::string why = WIFSIGNALED(status)
                                ? "the worker process crashed (signal " + std::to_string(WTERMSIG(status)) + ")"
                                : "the worker process ended with status " + std::to_string(WEXITSTATUS(status));
    // The index that was executing is charged; one still saving or decoding ahead runs again elsewhere.
    const int running = worker.outstanding.contains(worker.running) ? worker.running : worker.outstanding.first();
    worker.outstanding.removeOne(running);
    m_handler({{"index", running}, {"ms", 0}, {"failed", true}, {"error", why}, {"outputs", nlohmann::json::array()}});
    m_queue = worker.outstanding + m_queue;
    worker.outstanding.clear();
    if (!m_queue.isEmpty())
        spawn();
}

int WorkerPool::waitMs() const
{
    if (!m_stopping || m_killed)
        return -1;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(m_killAt - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count()));
}

void WorkerPool::killWorkers()
{
    for (const auto& worker : m_workers)
        if (worker->socket >= 0)
            ::kill(worker->pid, SIGKILL);
    m_killed = true;
}

void WorkerPool::forwardInterrupt()
{
    char bytes[16];
    while (::read(interruptDescriptor(), bytes, sizeof bytes) > 0) {
    }
    if (m_stopping) {
        killWorkers();
        return;
    }
    m_stopping = true;
    m_killAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_graceMs);
    for (const auto& worker : m_workers) {
        if (worker->socket < 0)
            continue;
        ::kill(worker->pid, SIGINT);
        ::shutdown(worker->socket, SHUT_WR);
    }
}

} // namespace VORNE::batch
