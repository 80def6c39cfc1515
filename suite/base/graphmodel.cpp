#include "graphmodel.h"

#include "executionrecord.h"
#include "parameterbinding.h"

namespace OstrelGraph {
namespace detail {

using namespace KORA;

std::string GraphModel::DescribeNode(std::size_t node) const
{
    const GraphNode& n = nodes.at(node);
    // "%KORADIR%/bin/imgproc::GaussianBlur" reads "imgproc::GaussianBlur": the folder says nothing here.
    std::string plugin = n.plugin;
    const std::size_t separator = plugin.rfind("::");
    const std::size_t slash = plugin.rfind('/', separator == std::string::npos ? std::string::npos : separator);
    if (slash != std::string::npos)
        plugin = plugin.substr(slash + 1);
    return "node '" + n.name + "' (" + plugin + ")";
}

std::size_t GraphModel::NodeIndex(const std::string& nodeName) const
{
    const auto it = m_nodeIndex.find(nodeName);
    return it == m_nodeIndex.end() ? nodes.size() : it->second;
}

GraphNode& GraphModel::AddNode(GraphNode&& node)
{
    m_nodeIndex.emplace(node.name, nodes.size());
    nodes.push_back(std::move(node));
    return nodes.back();
}

void GraphModel::SetInput(std::size_t index, CValue* value)
{
    std::unique_ptr<CValue> owned(value);
    if (index >= inputNames.size())
        throw CException("no input pin " + std::to_string(index) + " (the graph has " +
                             std::to_string(inputNames.size()) + ")",
                         origin);
    if (m_inputs.size() < inputNames.size())
        m_inputs.resize(inputNames.size());
    if (!owned) {
        m_inputs[index].reset();
        return;
    }
    if (auto* handle = dynamic_cast<CValueSmart*>(owned.get())) {
        owned.release();
        m_inputs[index].reset(handle);
    } else {
        m_inputs[index] = std::make_unique<CValueSmart>(owned.release());
    }
}

void GraphModel::ClearResults()
{
    m_results.clear();
    m_results.resize(nodes.size());
}

const CValueSmart* GraphModel::Handle(const PinSource& source) const
{
    switch (source.kind) {
    case PinSource::GraphInput:
        return source.index < m_inputs.size() ? m_inputs[source.index].get() : nullptr;
    case PinSource::NodeOutput:
        if (source.index < m_results.size() && source.pin < m_results[source.index].size())
            return m_results[source.index][source.pin].get();
        return nullptr;
    case PinSource::None:
        break;
    }
    return nullptr;
}

CValue* GraphModel::Output(std::size_t index) const
{
    if (index >= outputSources.size())
        throw CException("no output pin " + std::to_string(index) + " (the graph has " +
                             std::to_string(outputSources.size()) + ")",
                         origin);
    const CValueSmart* handle = Handle(outputSources[index]);
    return handle ? Unwrap(handle->Get()) : nullptr;
}

namespace {

// The node's input vector holds handles only while it runs, so no value is kept alive longer than needed.
struct InputRelease
{
    CPNode& node;
    ~InputRelease()
    {
        node.Inputs().Clear();
        node.SetMayContinueCallback(nullptr);
    }
};

} // namespace

void GraphModel::RunNode(std::size_t index, std::function<bool()> mayContinue)
{
    GraphNode& node = nodes.at(index);
    CPNode& object = *node.object;
    if (!node.references.empty()) {
        const std::unique_ptr<CValueMap> resolved =
            ParameterBinding::Resolve(node, parameters, DescribeNode(index), false);
        object.Init(resolved.get());
    }

    InputRelease release{object};
    CValueVector& inputs = object.Inputs();
    inputs.Clear();
    for (std::size_t pin = 0; pin < node.sources.size(); ++pin) {
        if (const CValueSmart* handle = Handle(node.sources[pin]))
            inputs.SetEntry(static_cast<int>(pin), handle->CloneValueSmart());
    }
    object.SetMayContinueCallback(std::move(mayContinue));
    object.Execute();

    std::vector<std::unique_ptr<CValueSmart>> results(node.outpins.size());
    CValueVector& outputs = object.Outputs();
    for (std::size_t pin = 0; pin < results.size() && pin < outputs.Size(); ++pin) {
        CValue* value = outputs.Detach(static_cast<int>(pin));
        if (!value)
            continue;
        if (auto* handle = dynamic_cast<CValueSmart*>(value))
            results[pin].reset(handle);
        else
            results[pin] = std::make_unique<CValueSmart>(value);
    }
    outputs.Clear();
    if (m_results.size() < nodes.size())
        m_results.resize(nodes.size());
    m_results[index] = std::move(results);
}

void GraphModel::RunAll()
{
    ClearResults();
    for (std::size_t node : order) {
        try {
            RunNode(node, nullptr);
        } catch (...) {
            throw CException(ExecutionRecord::MessageOf(std::current_exception()), DescribeNode(node));
        }
    }
}

} // namespace detail
} // namespace OstrelGraph
