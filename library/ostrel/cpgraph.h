#pragma once
#include <memory>

#include "kora/value.h"

namespace OstrelGraph {
namespace detail {
class GraphModel;
} // namespace detail
} // namespace OstrelGraph

namespace KORA {

// A graph description run sequentially on the calling thread. Failures are thrown from Run().
class KORA_API CPGraph
{
public:
    // flags: reserved, kept for callers that pass a mode; every value behaves the same.
    explicit CPGraph(int flags = 0);
    ~CPGraph();
    CPGraph(const CPGraph&) = delete;
    CPGraph& operator=(const CPGraph&) = delete;

    // Replaces whatever was loaded before. CException naming the file (or "graph map"), node and problem.
    void DeserializeGraph(const CValueMap& map);
    void DeserializeGraph(const char* path);

    int StackInputs() const;
    int StackOutputs() const;
    // Takes ownership of value.
    void SetStackInput(int index, CValue* value);
    // detach false: the output as the graph holds it (null when absent), valid until the next Run.
    // detach true: an independent value the caller owns and may keep after this object is gone.
    CValue* GetStackOutput(int index, bool detach);

    void Run();
    CValueMap& Parameters();

private:
    OstrelGraph::detail::GraphModel& Model() const;
    std::unique_ptr<OstrelGraph::detail::GraphModel> m_model;
    int m_flags;
};

} // namespace KORA
