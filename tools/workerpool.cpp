#include "tools/workerpool.h"

#include <QEventLoop>
#include <QProcess>
#include <QSocketNotifier>

#include <csignal>
#include <unistd.h>

#include "tools/interrupt.h"

namespace VORNE::batch {

namespace {

// Indices a worker holds beyond the one it runs, so that it never waits for the parent between two.
constexpr int kAhead = 1;

} // namespace

WorkerPool::WorkerPool(const QString& program, const QStringList& arguments, int workers, ResultHandler handler)
    : m_program(program), m_arguments(arguments), m_workerCount(workers), m_handler(std::move(handler))
{
}

WorkerPool::~WorkerPool()
{
    for (Worker* worker : m_workers) {
        if (worker->process->state() != QProcess::NotRunning) {
            worker->process->kill();
            worker->process->waitForFinished();
        }
        delete worker;
    }
}

void WorkerPool::run(const QList<int>& indices)
{
    m_queue = indices;
    QEventLoop loop;
    QSocketNotifier interrupts(interruptDescriptor(), QSocketNotifier::Read);
    connect(&interrupts, &QSocketNotifier::activated, this, [this, &interrupts] {
        char bytes[16];
        while (::read(interruptDescriptor(), bytes, sizeof bytes) > 0) {
        }
        interrupts.setEnabled(false);
        forwardInterrupt();
    });

    const int count = std::min(m_workerCount, static_cast<int>(m_queue.size()));
    for (int i = 0; i < count; ++i) {
        auto* worker = new Worker;
        worker->process = new QProcess(this);
        worker->process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_workers << worker;
        connect(worker->process, &QProcess::readyReadStandardOutput, this, [this, worker] { readResults(*worker); });
        connect(worker->process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), this,
                [this, worker, &loop](int code, QProcess::ExitStatus status) {
                    workerEnded(*worker, code, status == QProcess::CrashExit);
                    if (--m_running == 0)
                        loop.quit();
                });
        ++m_running;
        worker->process->start(m_program, m_arguments);
        {
            std::lock_guard<std::mutex> lock(m_pidsMutex);
            m_pids.push_back(worker->process->processId());
        }
        feed(*worker);
    }
    if (m_running > 0)
        loop.exec();
}

void WorkerPool::killWorkers()
{
    std::lock_guard<std::mutex> lock(m_pidsMutex);
    for (const qint64 pid : m_pids)
        if (pid > 0)
            ::kill(static_cast<pid_t>(pid), SIGKILL);
}

void WorkerPool::feed(Worker& worker)
{
    QByteArray lines;
    while (!m_stopping && !m_queue.isEmpty() && worker.outstanding.size() <= kAhead) {
        const int index = m_queue.takeFirst();
        worker.outstanding << index;
        lines += QByteArray::number(index) + '\n';
    }
    if (!lines.isEmpty())
        worker.process->write(lines);
    // The end of its input tells a worker to finish.
    if (worker.outstanding.isEmpty() || m_queue.isEmpty() || m_stopping)
        worker.process->closeWriteChannel();
}

void WorkerPool::readResults(Worker& worker)
{
    worker.pending += worker.process->readAllStandardOutput();
    int end;
    while ((end = worker.pending.indexOf('\n')) >= 0) {
        const QByteArray line = worker.pending.left(end);
        worker.pending.remove(0, end + 1);
        const nlohmann::json result = nlohmann::json::parse(line.constData(), nullptr, false);
        if (!result.is_object() || !result.contains("index"))
            continue;
        worker.outstanding.removeOne(result["index"].get<int>());
        m_handler(result);
    }
    feed(worker);
}

void WorkerPool::workerEnded(Worker& worker, int exitCode, bool crashed)
{
    readResults(worker);
    if (m_stopping || worker.outstanding.isEmpty())
        return;
    const std::string why = crashed ? "the worker process crashed"
                                    : "the worker process ended with status " + std::to_string(exitCode);
    for (const int index : worker.outstanding)
        m_handler({{"index", index}, {"ms", 0}, {"failed", true}, {"error", why}, {"outputs", nlohmann::json::array()}});
    worker.outstanding.clear();
}

void WorkerPool::forwardInterrupt()
{
    m_stopping = true;
    for (Worker* worker : m_workers) {
        if (worker->process->state() == QProcess::NotRunning)
            continue;
        ::kill(static_cast<pid_t>(worker->process->processId()), SIGINT);
        worker->process->closeWriteChannel();
    }
}

} // namespace VORNE::batch
