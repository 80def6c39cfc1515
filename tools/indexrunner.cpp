#include "tools/indexrunner.h"

#include <QElapsedTimer>

#include "executor/executorsetup.h"
#include "executor/graphexecutor.h"
#include "items/item.h"
#include "items/itemmodel.h"
#include "kora/kora.h"
#include "results/indexrecord.h"
#include "tools/batchplan.h"

namespace VORNE::batch {

IndexRunner::IndexRunner(const BatchPlan& plan, int threads, InputCache::Decoder decoder)
    : m_plan(plan),
      m_cache(std::make_unique<InputCache>(std::move(decoder))),
      m_executor(new GraphExecutor(&m_owner)),
      m_thread(std::make_unique<TaskQueue>())
{
    ExecutorSetup setup;
    setup.maxThreads = threads;
    setup.executorType = GraphExecutor::OstrelExecutor;
    setup.graphPath = plan.graphPath();
    setup.outputNames = plan.outputPatterns();
    setup.graph = plan.graph();
    setup.parameters = [&plan] { return static_cast<KORA::CValueMap*>(plan.parameters().Clone()); };
    setup.applyTo(*m_executor);
    m_executor->setInputCache(m_cache.get());
    m_executor->setSaveBehind(true);
    m_executor->setChecksums(plan.checksums());
    m_executor->runsFailed = 0;
}

// An execution still running (a record that threw) is stopped before the executor goes, and the executor
// (a child of m_owner) goes before the cache it takes inputs from.
IndexRunner::~IndexRunner()
{
    m_executor->abort();
    m_thread.reset();
    delete m_executor;
}

void IndexRunner::abort()
{
    m_executor->abort();
}

void IndexRunner::start(int index, const QList<Item*>& inputs)
{
    m_executor->runIndex = index;
    m_executor->runsTotal = m_plan.batchSize();
    m_executor->setInputItems(inputs);
    m_timer.start();
    m_execution = m_thread->post([this] { m_executor->execute(); });
}

IndexRunner::Finished IndexRunner::finish(int index)
{
    m_execution.wait();
    Finished finished{index, {{"index", index}, {"ms", m_timer.elapsed()}}, m_executor->outputItems(true),
                      m_executor->takePendingSaves()};
    // An abort that arrives while the outputs are being saved does not stop the saving; such an index
    // has its files and must be reported like any finished one, or the journal would miss them.
    if (m_executor->aborted() && finished.items.isEmpty())
        finished.result["aborted"] = true;
    else if (m_executor->error())
        finished.result["error"] = m_executor->errorMessage().toStdString();
    // Taken now: by the time the saves are complete the executor is loading the next index's inputs.
    nlohmann::json inputErrors = nlohmann::json::array();
    for (const QString& inputError : m_executor->inputErrors())
        inputErrors.push_back(inputError.toStdString());
    finished.result["input_errors"] = inputErrors;
    finished.result["pixel_sizes"] = pixelSizeFields(m_executor->inputPixelSizes());
    return finished;
}

void IndexRunner::runAll(const QList<int>& indices, const std::function<bool()>& stop,
                         const std::function<void(const IndexResult&)>& record)
{
    int taken = 0;
    runAll(
        [&indices, &taken](int* index) {
            if (taken >= indices.size())
                return false;
            *index = indices[taken++];
            return true;
        },
        stop, record);
}

void IndexRunner::runAll(const std::function<bool(int*)>& next, const std::function<bool()>& stop,
                         const std::function<void(const IndexResult&)>& record, const std::function<void(int)>& started)
{
    int index = 0;
    if (!next(&index))
        return;
    std::unique_ptr<Finished> previous;
    QList<Item*> inputs = m_plan.placeItems(index);
    bool more = true;
    while (more) {
        if (stop()) {
            // Placed for an index that the stop kept from starting.
            m_plan.removeItems(index);
            break;
        }
        if (started)
            started(index);
        start(index, inputs);
        int following = 0;
        more = next(&following);
        if (more) {
            inputs = m_plan.placeItems(following);
            m_cache->prefetch(inputs);
        }
        if (previous)
            record(complete(*previous));
        previous = std::make_unique<Finished>(finish(index));
        index = following;
    }
    if (previous)
        record(complete(*previous));
}

IndexResult IndexRunner::complete(Finished& finished)
{
    for (std::future<void>& save : finished.saves)
        save.wait();
    m_plan.removeItems(finished.index);
    IndexResult& result = finished.result;
    if (result.value("aborted", false))
        return result;
    const bool executorFailed = result.contains("error");
    const StepOutcome outcome =
        stepOutcome(finished.items, executorFailed, QString::fromStdString(result.value("error", std::string())));
    qDeleteAll(finished.items);
    result["outputs"] = outcome.outputs;
    result["failed"] = outcome.failed;
    if (outcome.failed)
        result["error"] = outcome.error;
    return result;
}

} // namespace VORNE::batch
