#pragma once
#include <memory>

#include "kora/export.h"

namespace OstrelGraph {

namespace detail {
class GraphModel;
class ExecutionRecord;
} // namespace detail

// Runs a graph's nodes on oneTBB: every node whose inputs are ready, independent nodes side by side, on at
// most `threads` threads (0 = one per processor; OpenCV's own parallel loops are bounded the same way while
// a graph executes). The host may change the public fields between executions.
class KORA_API ThreadScheduler
{
public:
    explicit ThreadScheduler(int threads = 0);
    ~ThreadScheduler();
    ThreadScheduler(const ThreadScheduler&) = delete;
    ThreadScheduler& operator=(const ThreadScheduler&) = delete;

    int threads;
    // Polled before each node starts; false stops the execution: no further node starts, running nodes
    // finish, nothing is recorded as an error. Null means "continue".
    bool (*mayContinueBeforeNode)();
    // Polled by the nodes themselves through CPNode::MayContinue(), with the same effect.
    bool (*mayContinueInNode)();
    // Receives a failing node's message and name. What it throws is recorded for Graph::CheckError();
    // without a callback the node's error is recorded with the node named as its source.
    void (*errorCallback)(const char* message, const char* source);

private:
    friend class Graph;
    void Execute(detail::GraphModel& model, detail::ExecutionRecord& record);
    // The worker arena, kept between executions: starting threads for every execution would cost more
    // than small graphs take to run.
    struct Arena;
    std::unique_ptr<Arena> m_arena;
};

} // namespace OstrelGraph
