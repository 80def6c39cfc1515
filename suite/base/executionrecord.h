#pragma once
// Private to the base library: what one execution of a graph leaves behind for CheckError().
#include <cstddef>
#include <exception>
#include <mutex>
#include <string>

namespace OstrelGraph {
namespace detail {

class GraphModel;

class ExecutionRecord
{
public:
    // The message of whatever a node threw.
    static std::string MessageOf(std::exception_ptr thrown);

    // A node failed. With a callback, the callback's own exception is recorded; without one, a CException
    // with the node's message and the node described as its source. Only the first failure is kept.
    void NodeFailed(const GraphModel& model, std::size_t node, std::exception_ptr thrown,
                    void (*callback)(const char* message, const char* source));
    // Keeps error as it is, unless an earlier one was recorded.
    void Record(std::exception_ptr error);
    bool Failed() const;
    void Clear();
    // Throws the recorded error once.
    void Rethrow();

private:
    mutable std::mutex m_mutex;
    std::exception_ptr m_error;
};

} // namespace detail
} // namespace OstrelGraph
