#include "executionrecord.h"

#include "graphmodel.h"

namespace OstrelGraph {
namespace detail {

std::string ExecutionRecord::MessageOf(std::exception_ptr thrown)
{
    try {
        std::rethrow_exception(thrown);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "unknown error";
    }
}

void ExecutionRecord::NodeFailed(const GraphModel& model, std::size_t node, std::exception_ptr thrown,
                                 void (*callback)(const char* message, const char* source))
{
    const std::string message = MessageOf(thrown);
    std::exception_ptr recorded;
    if (callback) {
        try {
            callback(message.c_str(), model.nodes[node].name.c_str());
            // A callback that returns leaves the node's own error standing.
            recorded = thrown;
        } catch (...) {
            recorded = std::current_exception();
        }
    } else {
        recorded = std::make_exception_ptr(KORA::CException(message, model.DescribeNode(node)));
    }
    Record(recorded);
}

void ExecutionRecord::Record(std::exception_ptr error)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_error)
        m_error = error;
}

bool ExecutionRecord::Failed() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<bool>(m_error);
}

void ExecutionRecord::Clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_error = nullptr;
}

void ExecutionRecord::Rethrow()
{
    std::exception_ptr error;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::swap(error, m_error);
    }
    if (error)
        std::rethrow_exception(error);
}

} // namespace detail
} // namespace OstrelGraph
