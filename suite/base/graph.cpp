#include "ostrel/graph.h"

#include "executionrecord.h"
#include "graphbuilder.h"
#include "ostrel/threadscheduler.h"

namespace OstrelGraph {

namespace {

std::size_t CheckedIndex(int index, std::size_t count, const char* what, const std::string& origin)
{
    if (index < 0 || static_cast<std::size_t>(index) >= count)
        throw KORA::CException(std::string("no ") + what + " pin " + std::to_string(index) + " (the graph has " +
                                   std::to_string(count) + ")",
                               origin);
    return static_cast<std::size_t>(index);
}

} // namespace

Graph::Graph() : m_record(std::make_unique<detail::ExecutionRecord>()) {}

Graph::~Graph() = default;

Graph* Graph::LoadFromFile(const char* path, ThreadScheduler* scheduler, bool verbose)
{
    std::unique_ptr<Graph> graph(new Graph());
    graph->m_model = detail::GraphBuilder::Load(path, verbose);
    graph->m_scheduler = scheduler;
    return graph.release();
}

Graph* Graph::LoadFromMap(const KORA::CValueMap& map, ThreadScheduler* scheduler, bool verbose)
{
    std::unique_ptr<Graph> graph(new Graph());
    graph->m_model = detail::GraphBuilder::Build(map, "graph map", verbose);
    graph->m_scheduler = scheduler;
    return graph.release();
}

int Graph::GetInpinCount() const
{
    return static_cast<int>(m_model->inputNames.size());
}

int Graph::GetOutpinCount() const
{
    return static_cast<int>(m_model->outputNames.size());
}

std::string Graph::GetInpinName(int index) const
{
    return m_model->inputNames[CheckedIndex(index, m_model->inputNames.size(), "input", m_model->origin)];
}

std::string Graph::GetOutpinName(int index) const
{
    return m_model->outputNames[CheckedIndex(index, m_model->outputNames.size(), "output", m_model->origin)];
}

KORA::CValueMap& Graph::Parameters()
{
    return m_model->parameters;
}

const KORA::CValueMap& Graph::Parameters() const
{
    return m_model->parameters;
}

const std::string& Graph::MainGraphFilename() const
{
    return m_model->filename;
}

void Graph::Prepare()
{
    m_model->ClearResults();
    m_record->Clear();
}

ThreadScheduler* Graph::ExchangeThreadScheduler(ThreadScheduler* scheduler)
{
    ThreadScheduler* previous = m_scheduler;
    m_scheduler = scheduler;
    return previous;
}

void Graph::SetInpinData(int index, KORA::CValue* value)
{
    if (index < 0) {
        delete value;
        CheckedIndex(index, m_model->inputNames.size(), "input", m_model->origin);
    }
    m_model->SetInput(static_cast<std::size_t>(index), value);
}

KORA::CValue* Graph::GetOutpinData(int index) const
{
    return m_model->Output(CheckedIndex(index, m_model->outputSources.size(), "output", m_model->origin));
}

void Graph::Execute()
{
    m_record->Clear();
    if (m_scheduler) {
        m_scheduler->Execute(*m_model, *m_record);
        return;
    }
    try {
        m_model->RunAll();
    } catch (...) {
        // The sequential run already names the node; keep what it threw for CheckError.
        m_record->Record(std::current_exception());
    }
}

void Graph::CheckError()
{
    m_record->Rethrow();
}

} // namespace OstrelGraph
