#include "ostrel/threadscheduler.h"

#include <oneapi/tbb/task_arena.h>
#include <oneapi/tbb/task_group.h>

#include <atomic>
#include <memory>
#include <opencv2/core.hpp>

#include "executionrecord.h"
#include "graphmodel.h"

namespace OstrelGraph {

namespace {

// OpenCV's parallel loops would otherwise use every processor inside each node, so a thread count of 1
// would not mean one thread. The setting is process-wide, hence restored afterwards.
class OpenCvThreads
{
public:
    explicit OpenCvThreads(int threads) : m_previous(cv::getNumThreads()), m_changed(threads > 0)
    {
        if (m_changed)
            cv::setNumThreads(threads);
    }
    ~OpenCvThreads()
    {
        if (m_changed)
            cv::setNumThreads(m_previous);
    }
    OpenCvThreads(const OpenCvThreads&) = delete;
    OpenCvThreads& operator=(const OpenCvThreads&) = delete;

private:
    int m_previous;
    bool m_changed;
};

} // namespace

struct ThreadScheduler::Arena
{
    explicit Arena(int threads)
        : threads(threads), arena(threads > 0 ? threads : static_cast<int>(tbb::task_arena::automatic))
    {
    }
    int threads;
    tbb::task_arena arena;
};

ThreadScheduler::ThreadScheduler(int threadCount)
    : threads(threadCount), mayContinueBeforeNode(nullptr), mayContinueInNode(nullptr), errorCallback(nullptr)
{
}

ThreadScheduler::~ThreadScheduler() = default;

void ThreadScheduler::Execute(detail::GraphModel& model, detail::ExecutionRecord& record)
{
    // The host may change the fields between executions, never during one: take them once.
    const int threadCount = threads;
    bool (*const before)() = mayContinueBeforeNode;
    bool (*const inNode)() = mayContinueInNode;
    void (*const onError)(const char*, const char*) = errorCallback;

    model.ClearResults();
    const std::size_t count = model.nodes.size();
    std::unique_ptr<std::atomic<std::size_t>[]> pending(new std::atomic<std::size_t>[count]);
    for (std::size_t i = 0; i < count; ++i)
        pending[i].store(model.nodes[i].dependencies);
    std::atomic<bool> halt{false};

    // Running nodes see a stop or another node's failure too, so they can end their work early.
    const std::function<bool()> nodeMayContinue = [&halt, inNode]() {
        if (halt.load())
            return false;
        if (inNode && !inNode()) {
            halt.store(true);
            return false;
        }
        return true;
    };

    OpenCvThreads openCv(threadCount);
    if (!m_arena || m_arena->threads != threadCount)
        m_arena = std::make_unique<Arena>(threadCount);
    m_arena->arena.execute([&]() {
        tbb::task_group group;
        // A node's last dependent made ready runs on in the same thread: a chain of nodes then never wakes
        // a worker, whose hand-over and idle spinning cost more than a small image's whole processing.
        std::function<void(std::size_t)> runNode = [&](std::size_t node) {
            for (;;) {
                if (halt.load())
                    return;
                if (before && !before()) {
                    halt.store(true);
                    return;
                }
                try {
                    model.RunNode(node, nodeMayContinue);
                } catch (...) {
                    halt.store(true);
                    record.NodeFailed(model, node, std::current_exception(), onError);
                    return;
                }
                if (halt.load())
                    return;
                std::size_t next = count;
                for (std::size_t dependent : model.nodes[node].dependents) {
                    if (pending[dependent].fetch_sub(1) != 1)
                        continue;
                    if (next != count)
                        group.run([&runNode, next]() { runNode(next); });
                    next = dependent;
                }
                if (next == count)
                    return;
                node = next;
            }
        };
        std::size_t first = count;
        for (std::size_t node = 0; node < count; ++node) {
            if (model.nodes[node].dependencies != 0)
                continue;
            if (first != count)
                group.run([&runNode, node]() { runNode(node); });
            else
                first = node;
        }
        if (first != count)
            runNode(first);
        group.wait();
    });
}

} // namespace OstrelGraph
