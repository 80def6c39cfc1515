#pragma once
// What a batch needs from its front end before the first index runs, handed to the executor in one
// place so that the window and the headless runner cannot drift apart in what they set or in which
// order: thread count, executor kind, graph path, output names, graph map, graph, graph parameters.
#include <QList>
#include <QString>

#include <functional>
#include <optional>

#include "executor/outputpattern.h"

namespace KORA {
class CValueMap;
} // namespace KORA

namespace OstrelGraph {
class Graph;
} // namespace OstrelGraph

namespace VORNE {

class GraphExecutor;

struct ExecutorSetup
{
    int maxThreads = 0;
    // Unset: the executor keeps the kind it has (the window's settings may select neither).
    std::optional<int> executorType;
    QString graphPath;
    QList<OutputPattern> outputNames;
    KORA::CValueMap* graphMap = nullptr; // not owned
    OstrelGraph::Graph* graph = nullptr; // not owned
    // Called last, after the graph is set, so that what it reports follows what came before; the
    // executor owns the map it returns (null: none). Unset: none.
    std::function<KORA::CValueMap*()> parameters;

    // With the thread idle; a setter that refuses says so on standard error, as it does when called alone.
    void applyTo(GraphExecutor& executor) const;
};

} // namespace VORNE
