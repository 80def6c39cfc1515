#include "ostrel/cpgraph.h"

#include "graphbuilder.h"

namespace KORA {

CPGraph::CPGraph(int flags) : m_flags(flags) {}

CPGraph::~CPGraph() = default;

OstrelGraph::detail::GraphModel& CPGraph::Model() const
{
    if (!m_model)
        throw CException("no graph loaded", "CPGraph");
    return *m_model;
}

void CPGraph::DeserializeGraph(const CValueMap& map)
{
    m_model = OstrelGraph::detail::GraphBuilder::Build(map, "graph map", false);
}

void CPGraph::DeserializeGraph(const char* path)
{
    m_model = OstrelGraph::detail::GraphBuilder::Load(path, false);
}

int CPGraph::StackInputs() const
{
    return m_model ? static_cast<int>(m_model->inputNames.size()) : 0;
}

int CPGraph::StackOutputs() const
{
    return m_model ? static_cast<int>(m_model->outputNames.size()) : 0;
}

void CPGraph::SetStackInput(int index, CValue* value)
{
    std::unique_ptr<CValue> owned(value);
    if (index < 0)
        throw CException("no input pin " + std::to_string(index), "CPGraph");
    Model().SetInput(static_cast<std::size_t>(index), owned.release());
}

CValue* CPGraph::GetStackOutput(int index, bool detach)
{
    if (index < 0)
        throw CException("no output pin " + std::to_string(index), "CPGraph");
    CValue* value = Model().Output(static_cast<std::size_t>(index));
    // Moving ownership hands an owned image to the caller without copying pixels; everything else is a
    // deep copy, so the caller's value outlives this graph and its nodes.
    return detach && value ? value->Clone(COPY_MOVE_OWNERSHIP) : value;
}

void CPGraph::Run()
{
    Model().RunAll();
}

CValueMap& CPGraph::Parameters()
{
    return Model().parameters;
}

} // namespace KORA
