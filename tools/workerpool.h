#pragma once
// The parent side of --jobs: N worker processes of this same program, each fed batch indices on its
// standard input as it finishes the previous ones, each streaming its results back as JSON lines.
#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>
#include <mutex>
#include <vector>
#include <nlohmann/json.hpp>

class QProcess;

namespace VORNE::batch {

class WorkerPool : public QObject
{
    Q_OBJECT

public:
    using ResultHandler = std::function<void(const nlohmann::json& result)>;

    // arguments: the worker's command line (without the program).
    WorkerPool(const QString& program, const QStringList& arguments, int workers, ResultHandler handler);
    ~WorkerPool() override;

    // Runs the indices and returns when every worker has ended. Indices a worker took but never answered
    // (it crashed) come back as failed results.
    void run(const QList<int>& indices);
    // Ends every worker at once; safe from any thread.
    void killWorkers();

private:
    struct Worker
    {
        QProcess* process = nullptr;
        QByteArray pending; // a partial result line
        QList<int> outstanding;
    };

    void feed(Worker& worker);
    void readResults(Worker& worker);
    void workerEnded(Worker& worker, int exitCode, bool crashed);
    void forwardInterrupt();

    QString m_program;
    QStringList m_arguments;
    int m_workerCount;
    ResultHandler m_handler;
    QList<int> m_queue;
    QList<Worker*> m_workers;
    int m_running = 0;
    bool m_stopping = false;
    std::mutex m_pidsMutex;
    std::vector<qint64> m_pids;
};

} // namespace VORNE::batch
