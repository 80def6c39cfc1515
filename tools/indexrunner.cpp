#include "tools/indexrunner.h"

#include <QElapsedTimer>

#include "executor/graphexecutor.h"
#include "items/item.h"
#include "items/itemmodel.h"
#include "kora/kora.h"
#include "results/indexrecord.h"
#include "tools/batchplan.h"

namespace VORNE::batch {

IndexRunner::IndexRunner(const BatchPlan& plan, int threads)
    : m_plan(plan), m_executor(new GraphExecutor(&m_owner))
{
    m_executor->setMaxThreads(threads);
    m_executor->setExecutorType(GraphExecutor::OstrelExecutor);
    m_executor->setGraphPath(plan.graphPath());
    m_executor->setOutputNames(plan.outputPatterns());
    m_executor->setGraphMap(nullptr);
    m_executor->setGraph(plan.graph());
    m_executor->setGraphParameters(static_cast<KORA::CValueMap*>(plan.parameters().Clone()));
    m_executor->runsFailed = 0;
}

IndexRunner::~IndexRunner() = default;

void IndexRunner::abort()
{
    m_executor->abort();
}

IndexResult IndexRunner::run(int index)
{
    QList<Item*> inputs;
    for (ItemModel* model : m_plan.inputModels())
        inputs << model->item(index);
    m_executor->runIndex = index;
    m_executor->runsTotal = m_plan.batchSize();
    m_executor->setInputItems(inputs);

    QElapsedTimer timer;
    timer.start();
    m_executor->start(QThread::InheritPriority);
    m_executor->wait();
    IndexResult result{{"index", index}, {"ms", timer.elapsed()}};
    // An abort that arrives while the outputs are being saved does not stop the saving; such an index
    // has its files and must be reported like any finished one, or the journal would miss them.
    const QList<Item*> items = m_executor->outputItems(true);
    if (m_executor->aborted() && items.isEmpty()) {
        result["aborted"] = true;
        return result;
    }

    const StepOutcome outcome = stepOutcome(items, m_executor->error(), m_executor->errorMessage());
    qDeleteAll(items);
    result["outputs"] = outcome.outputs;
    result["failed"] = outcome.failed;
    if (outcome.failed)
        result["error"] = outcome.error;
    return result;
}

} // namespace VORNE::batch
