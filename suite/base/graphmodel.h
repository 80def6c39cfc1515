#pragma once
// Private to the base library: a checked graph description with its node objects and the data of one
// execution. Graph and CPGraph both run on it.
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "kora/node.h"

namespace OstrelGraph {
namespace detail {

// Where a node input or graph output takes its value from.
struct PinSource
{
    enum Kind { None, GraphInput, NodeOutput };
    Kind kind = None;
    std::size_t index = 0; // graph input or node
    std::size_t pin = 0;   // node output pin
};

// A node parameter written "$path": key (a key path in the node's parameters) reads path of the graph's.
struct ParameterReference
{
    std::string key;
    std::string path;
};

struct GraphNode
{
    std::string name;
    std::string plugin;                         // as written in the description
    std::unique_ptr<KORA::CPNode> object;
    std::unique_ptr<KORA::CValueMap> defaults;  // the node's own defaults
    std::unique_ptr<KORA::CValueMap> fixed;     // static parameters, references left out
    std::vector<ParameterReference> references;
    std::vector<std::string> inpins;
    std::vector<std::string> outpins;
    std::vector<PinSource> sources;             // one per input pin
    std::vector<std::size_t> dependents;        // nodes fed by this one, each once
    std::size_t dependencies = 0;               // distinct nodes feeding this one
};

class GraphModel
{
public:
    std::string origin;   // the file, or "graph map", for messages
    std::string filename; // absolute path of the file; empty for a map
    std::string name;
    std::string description;
    KORA::CValueMap parameters;
    std::vector<GraphNode> nodes;
    std::vector<std::size_t> order; // every node after the nodes feeding it
    std::vector<std::string> inputNames;
    std::vector<std::string> outputNames;
    std::vector<PinSource> outputSources;

    // "node 'blur' (imgproc::GaussianBlur)"
    std::string DescribeNode(std::size_t node) const;
    std::size_t NodeIndex(const std::string& nodeName) const; // nodes.size() when unknown
    // Appends a node and indexes it by name.
    GraphNode& AddNode(GraphNode&& node);

    // Data. Inputs stay until replaced; results live until ClearResults.
    void SetInput(std::size_t index, KORA::CValue* value);
    void ClearResults();
    // The handle a pin source holds, or null.
    const KORA::CValueSmart* Handle(const PinSource& source) const;
    KORA::CValue* Output(std::size_t index) const;

    // Resolves the node's "$" parameters against the graph's current parameters (re-initialising the node
    // when it has any), hands it its inputs as shared handles, executes it and keeps its outputs.
    // Throws what the node throws; parameter problems are CExceptions naming the node and the parameter.
    void RunNode(std::size_t node, std::function<bool()> mayContinue);
    // Every node in order on the calling thread; the first failure is thrown as a CException with the
    // node's message and the node described as its source. Clears the previous results first.
    void RunAll();

private:
    std::unordered_map<std::string, std::size_t> m_nodeIndex;
    std::vector<std::unique_ptr<KORA::CValueSmart>> m_inputs;
    std::vector<std::vector<std::unique_ptr<KORA::CValueSmart>>> m_results;
};

} // namespace detail
} // namespace OstrelGraph
