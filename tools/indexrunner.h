#pragma once
// Runs batch indices in this process, one at a time, on one GraphExecutor configured as the main window
// configures it before a batch.
#include <QObject>

#include <memory>
#include <nlohmann/json.hpp>

namespace VORNE {
class GraphExecutor;
}

namespace VORNE::batch {

class BatchPlan;

// What one index gave: {"index", "ms", "outputs": [{"port", "type", "value", "status", "error"}],
// "failed", "error", "input_errors": [why an input could not be read]}; "aborted" instead when an interrupt stopped it (no outputs then).
using IndexResult = nlohmann::json;

class IndexRunner
{
public:
    IndexRunner(const BatchPlan& plan, int threads);
    ~IndexRunner();
    IndexRunner(const IndexRunner&) = delete;
    IndexRunner& operator=(const IndexRunner&) = delete;

    IndexResult run(int index);
    // Safe from a signal handler: one atomic store.
    void abort();

private:
    const BatchPlan& m_plan;
    QObject m_owner; // the executor's parent, so that output items arrive on this thread
    GraphExecutor* m_executor;
};

} // namespace VORNE::batch
