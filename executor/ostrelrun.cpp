// The Ostrel kind: executes the graph the caller loaded, on the process-wide thread scheduler, with the
// run parameters published under "__parent/..." and "__graph/...".
#include <iostream>
#include <memory>

#include "executor/graphexecutor.h"
#include "kora/kora.h"
#include "ostrel/ostrel.h"

namespace VORNE {

namespace {

// Created by the first Ostrel execution and kept for the life of the process: its worker arena outlives
// every executor, and graphs keep a pointer to it.
OstrelGraph::ThreadScheduler* g_scheduler = nullptr;

// Polled by the scheduler before each node and by nodes while they run.
bool mayContinue()
{
    const GraphExecutor* executor = GraphExecutor::current();
    return !executor || !executor->aborted();
}

[[noreturn]] void raiseNodeError(const char* message, const char* source)
{
    throw KORA::CException(message ? message : "<no error message given>", source ? source : "OstrelGraph");
}

void publishRunParameters(OstrelGraph::Graph& graph, int runIndex, int runsTotal, int runsFailed)
{
    KORA::CValueMap& parameters = graph.Parameters();
    parameters.RemoveEntry("__parent");
    parameters.RemoveEntry("__graph");
    if (!graph.MainGraphFilename().empty())
        parameters.SetEntry("__graph/maingraphfilename", new KORA::CValueString(graph.MainGraphFilename()));
    parameters.SetEntry("__parent/type", new KORA::CValueString("application"));
    parameters.SetEntry("__parent/name", new KORA::CValueString("VORNE"));
    parameters.SetEntry("__parent/parameters/run_index", new KORA::CValueLong(runIndex));
    parameters.SetEntry("__parent/parameters/runs_total", new KORA::CValueLong(runsTotal));
    parameters.SetEntry("__parent/parameters/runs_failed", new KORA::CValueLong(runsFailed));
}

} // namespace

void GraphExecutor::runAsOstrelGraph()
{
    if (!m_graph)
        return;
    m_graph->Prepare();
    if (!g_scheduler)
        g_scheduler = new OstrelGraph::ThreadScheduler(m_maxThreads);
    g_scheduler->threads = m_maxThreads;
    g_scheduler->mayContinueBeforeNode = &mayContinue;
    g_scheduler->mayContinueInNode = &mayContinue;
    g_scheduler->errorCallback = &raiseNodeError;
    m_graph->ExchangeThreadScheduler(g_scheduler);
    if (aborted())
        return;

    if (m_graphParameters)
        m_graph->Parameters().Copy(*m_graphParameters, KORA::COPY_NO_OWNERSHIP, true);
    publishRunParameters(*m_graph, runIndex, runsTotal, runsFailed);

    m_outputCount = m_graph->GetOutpinCount();
    const int inputCount = std::min(m_graph->GetInpinCount(), static_cast<int>(m_inputItems.size()));
    // Released with everything in it when loading stops early.
    KORA::CValueVector inputs(static_cast<std::size_t>(inputCount));
    for (int i = 0; i < inputCount; ++i) {
        inputs.SetEntry(i, loadInput(m_inputItems.at(i)));
        if (m_error || aborted())
            return;
    }
    for (int i = 0; i < inputCount; ++i)
        m_graph->SetInpinData(i, inputs.Detach(i));
    if (aborted())
        return;

    m_outputCount = m_graph->GetOutpinCount();
    for (int i = 0; i < m_outputCount; ++i)
        m_outputPortNames.append(QString::fromStdString(m_graph->GetOutpinName(i)));
    if (!timedExecution([&] {
        m_graph->Execute();
        m_graph->CheckError();
    })) {
        ++runsFailed;
        m_error = true;
        return;
    }
    if (aborted())
        return;
    for (int i = 0; i < m_outputCount; ++i)
        if (const KORA::CValue* output = m_graph->GetOutpinData(i))
            m_outputs->SetEntry(i, output->Clone(KORA::COPY_MOVE_OWNERSHIP));
}

} // namespace VORNE
