#include "executor/taskqueue.h"

namespace VORNE {

TaskQueue::~TaskQueue()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    if (m_thread.joinable())
        m_thread.join();
}

void TaskQueue::enqueue(std::function<void()> task)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_thread.joinable())
        m_thread = std::thread(&TaskQueue::loop, this);
    m_tasks.push_back(std::move(task));
    m_wake.notify_one();
}

void TaskQueue::loop()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_tasks.empty(); });
        if (m_tasks.empty())
            return; // stopping, and nothing left to run
        std::function<void()> task = std::move(m_tasks.front());
        m_tasks.pop_front();
        lock.unlock();
        task();
        lock.lock();
    }
}

} // namespace VORNE
