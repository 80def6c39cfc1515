#include "executor/executorsetup.h"

#include "executor/graphexecutor.h"

namespace VORNE {

void ExecutorSetup::applyTo(GraphExecutor& executor) const
{
    executor.setMaxThreads(maxThreads);
    if (executorType)
        executor.setExecutorType(*executorType);
    executor.setGraphPath(graphPath);
    executor.setOutputNames(outputNames);
    executor.setGraphMap(graphMap);
    executor.setGraph(graph);
    executor.setGraphParameters(parameters ? parameters() : nullptr);
}

} // namespace VORNE
