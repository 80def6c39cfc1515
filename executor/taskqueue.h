#pragma once
// One long-lived thread that runs posted tasks in order. A batch of thousands of small images would
// otherwise start a thread for every decode and every save: in a virtual machine that costs more than the
// work, and every new thread leaves memory behind in the allocator's per-thread pools.
//
// The thread starts with the first task, so that a queue that is never used leaves the process with one
// thread (vorne-batch forks its workers only then). The destructor runs what is queued, then joins.
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

namespace VORNE {

class TaskQueue
{
public:
    TaskQueue() = default;
    ~TaskQueue();
    TaskQueue(const TaskQueue&) = delete;
    TaskQueue& operator=(const TaskQueue&) = delete;

    // Throws std::system_error when no thread can be started.
    template <typename Function>
    auto post(Function function) -> std::future<decltype(function())>
    {
        using Result = decltype(function());
        auto task = std::make_shared<std::packaged_task<Result()>>(std::move(function));
        std::future<Result> result = task->get_future();
        enqueue([task] { (*task)(); });
        return result;
    }

private:
    void enqueue(std::function<void()> task);
    void loop();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_tasks;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace VORNE
