#pragma once
// Runs batch indices in this process on one GraphExecutor configured as the main window configures it
// before a batch, every execution on the same thread of the runner. The next index's image files are
// decoded while an index executes and its images are saved while the next one executes, each execution
// keeping its own sequence of steps; an index's result is handed on only once its files are complete.
#include <QElapsedTimer>
#include <QList>
#include <QObject>

#include <functional>
#include <future>
#include <memory>
#include <nlohmann/json.hpp>
#include <vector>

#include "executor/inputcache.h"
#include "executor/taskqueue.h"

namespace VORNE {
class GraphExecutor;
class Item;
} // namespace VORNE

namespace VORNE::batch {

class BatchPlan;

// What one index gave: {"index", "ms", "outputs": [{"port", "type", "value", "status", "error"}],
// "failed", "error", "input_errors": [why an input could not be read], "pixel_sizes": [per input port
// the fields of results/indexrecord.h]}; "aborted" instead when an interrupt stopped it (no outputs then).
using IndexResult = nlohmann::json;

class IndexRunner
{
public:
    // decoder: how image files are decoded ahead (the library's reader by default).
    explicit IndexRunner(const BatchPlan& plan, int threads, InputCache::Decoder decoder = {});
    ~IndexRunner();
    IndexRunner(const IndexRunner&) = delete;
    IndexRunner& operator=(const IndexRunner&) = delete;

    // Runs the indices in order and hands each result to record, in the same order, once its files are
    // complete. Starts no further index once stop() says so.
    void runAll(const QList<int>& indices, const std::function<bool()>& stop,
                const std::function<void(const IndexResult&)>& record);
    // The same for indices that arrive one at a time: next() gives the following one, or false at the end.
    // It is asked for index n + 1 while index n executes (to decode ahead), before the result of index
    // n - 1 is recorded. started(n), when given, is told as index n begins to execute.
    void runAll(const std::function<bool(int*)>& next, const std::function<bool()>& stop,
                const std::function<void(const IndexResult&)>& record, const std::function<void(int)>& started = {});
    // Safe from a signal handler: one atomic store.
    void abort();

private:
    // An index whose execution ended and whose saves may still run.
    struct Finished
    {
        int index;
        IndexResult result;
        QList<Item*> items;
        std::vector<std::future<void>> saves;
    };

    void start(int index, const QList<Item*>& inputs);
    Finished finish(int index);
    // Also deletes the index's input items: the executor has moved on to the next index's.
    IndexResult complete(Finished& finished);

    const BatchPlan& m_plan;
    QObject m_owner; // the executor's parent, so that output items arrive on this thread
    std::unique_ptr<InputCache> m_cache;
    GraphExecutor* m_executor;
    std::unique_ptr<TaskQueue> m_thread; // the executions' thread
    std::future<void> m_execution;
    QElapsedTimer m_timer;
};

} // namespace VORNE::batch
