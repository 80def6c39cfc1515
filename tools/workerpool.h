#pragma once
// The parent side of --jobs: N worker processes forked from this one once the graph and its plug-ins are
// loaded, so that none repeats the start-up. Each is fed batch indices over a socket as it finishes the
// previous ones and streams its results back as JSON lines. A worker that dies costs only the index it was
// running: the indices it held beyond that go back to the queue and a new worker takes its place.
//
// Forking is only sound while this process has a single thread (a forked child gets no copy of the other
// threads, whatever locks they held stay locked): check singleThreaded() first.
#include <QList>

#include <chrono>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace VORNE::batch {

class WorkerPool
{
public:
    // The child's whole life: reads indices from one descriptor, writes results to the other, returns its
    // exit status.
    using Work = std::function<int(int indices, int results)>;
    using ResultHandler = std::function<void(const nlohmann::json& result)>;

    WorkerPool(Work work, int workers, ResultHandler handler);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    static bool singleThreaded();
    // Runs the indices and returns when every worker has ended.
    void run(const QList<int>& indices);
    // After an interrupt, how long the workers may take to end by themselves before they are killed (at
    // once on a second interrupt).
    void setGracePeriod(int seconds) { m_graceMs = seconds * 1000; }

private:
    struct Worker
    {
        int pid = -1;
        int socket = -1;
        std::string pending; // a partial result line
        QList<int> outstanding;
        int running = -1; // the index whose execution the worker said it began
    };

    bool spawn();
    void feed(Worker& worker);
    bool readResults(Worker& worker);
    void workerEnded(Worker& worker);
    void forwardInterrupt();
    void killWorkers();
    // The poll timeout: until the grace period ends once interrupted, else none.
    int waitMs() const;

    Work m_work;
    int m_workerCount;
    ResultHandler m_handler;
    QList<int> m_queue;
    std::vector<std::unique_ptr<Worker>> m_workers; // the ended ones too, with socket -1
    bool m_stopping = false;
    int m_graceMs = 0;
    bool m_killed = false;
    std::chrono::steady_clock::time_point m_killAt;
};

} // namespace VORNE::batch
