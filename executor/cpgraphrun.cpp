// The CPGraph kind: builds a CPGraph from the graph file, or from the host's graph map for
// "CURRENT GRAPH", and runs it sequentially on the executor's thread.
#include <algorithm>
#include <iostream>

#include "executor/graphexecutor.h"
#include "kora/kora.h"
#include "ostrel/ostrel.h"

namespace VORNE {

void GraphExecutor::runAsCPGraph()
{
    if (KORA::VexState() == 0)
        KORA::VexInit(-1);
    KORA::CPGraph graph(25);
    try {
        if (m_graphPath == QLatin1String("CURRENT GRAPH")) {
            if (!m_graphMap)
                throw KORA::CException("no graph map was given for the current graph", "GraphExecutor");
            graph.DeserializeGraph(*m_graphMap);
        } else {
            graph.DeserializeGraph(m_graphPath.toLocal8Bit().constData());
        }
    } catch (const KORA::CException& exception) {
        std::cerr << "GraphExecutor::runAsCPGraph(): KORA::CException  " << exception.FormattedWhat() << std::endl;
        fail(QString::fromLocal8Bit(exception.FormattedWhat().c_str()));
        return;
    } catch (const std::exception& exception) {
        std::cerr << "GraphExecutor::runAsCPGraph(): standard exception: " << exception.what() << std::endl;
        fail(QString::fromLocal8Bit(exception.what()));
        return;
    } catch (...) {
        std::cerr << "GraphExecutor::runAsCPGraph(): Unexpected exception" << std::endl;
        fail(QString());
        return;
    }
    if (aborted())
        return;

    if (m_graphParameters)
        graph.Parameters().Copy(*m_graphParameters, KORA::COPY_NO_OWNERSHIP, true);
    const int inputCount = std::min(graph.StackInputs(), static_cast<int>(m_inputItems.size()));
    for (int i = 0; i < inputCount; ++i) {
        graph.SetStackInput(i, loadInput(m_inputItems.at(i)));
        if (aborted() || m_error)
            return;
    }
    m_outputCount = graph.StackOutputs();
    if (aborted())
        return;

    if (!timedExecution([&] {
        graph.Run();
    })) {
        m_error = true;
        return;
    }
    if (aborted())
        return;
    const int outputCount = graph.StackOutputs();
    for (int i = 0; i < outputCount; ++i)
        m_outputs->SetEntry(i, graph.GetStackOutput(i, true));
}

} // namespace VORNE
