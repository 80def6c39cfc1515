#pragma once
#include <memory>
#include <string>

#include "kora/value.h"

namespace OstrelGraph {

class ThreadScheduler;
namespace detail {
class GraphModel;
class ExecutionRecord;
} // namespace detail

// A loaded graph: its nodes are created (their plug-ins loaded) and the whole description checked at load.
// Inputs are kept until replaced; outputs are valid until the next execution.
class KORA_API Graph
{
public:
    ~Graph();
    Graph(const Graph&) = delete;
    Graph& operator=(const Graph&) = delete;

    // A text (.ogr) or XML description, told apart by the first non-blank character ('<' is XML).
    // The caller owns the result. CException naming the file, the node and the problem.
    static Graph* LoadFromFile(const char* path, ThreadScheduler* scheduler = nullptr, bool verbose = false);
    // Messages name "graph map" where a file would be named.
    static Graph* LoadFromMap(const KORA::CValueMap& map, ThreadScheduler* scheduler = nullptr,
                              bool verbose = false);

    int GetInpinCount() const;
    int GetOutpinCount() const;
    // CException for an index out of range.
    std::string GetInpinName(int index) const;
    std::string GetOutpinName(int index) const;

    // The graph's parameter map; node parameters written "$path" read it at each execution.
    KORA::CValueMap& Parameters();
    const KORA::CValueMap& Parameters() const;
    // The absolute path of the loaded file; empty for a graph loaded from a map.
    const std::string& MainGraphFilename() const;

    // Forgets the outputs and the error of the previous execution.
    void Prepare();
    // Installs the scheduler (not owned; null runs sequentially on the calling thread); returns the
    // previous one.
    ThreadScheduler* ExchangeThreadScheduler(ThreadScheduler* scheduler);

    // Takes ownership of value (may be null to clear the pin).
    void SetInpinData(int index, KORA::CValue* value);
    // The value an output pin received (seen through handles), or null; valid until the next execution.
    KORA::CValue* GetOutpinData(int index) const;

    // Runs every node. A node's failure is not thrown here but recorded for CheckError().
    void Execute();
    // Throws the error recorded by the last execution, once; afterwards the error is cleared.
    void CheckError();

private:
    Graph();
    std::unique_ptr<detail::GraphModel> m_model;
    std::unique_ptr<detail::ExecutionRecord> m_record;
    ThreadScheduler* m_scheduler = nullptr;
};

} // namespace OstrelGraph
