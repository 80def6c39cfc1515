#include "tools/indexrunner.h"

#include <QElapsedTimer>

#include "executor/graphexecutor.h"
#include "items/item.h"
#include "items/itemmodel.h"
#include "kora/kora.h"
#include "tools/batchplan.h"

namespace VORNE::batch {

namespace {

const char* statusName(int status)
{
    switch (status) {
    case Item::OkStatus: return "ok";
    case Item::WarningStatus: return "warning";
    case Item::ErrorStatus: return "error";
    default: return "unknown";
    }
}

} // namespace

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

    nlohmann::json outputs = nlohmann::json::array();
    bool failed = m_executor->error();
    for (int port = 0; port < items.size(); ++port) {
        const Item* item = items.at(port);
        const QString error = item->errorMessage();
        outputs.push_back({{"port", port},
                           {"type", itemTypeName(item->type())},
                           {"value", item->valueText().toStdString()},
                           {"status", statusName(item->status())},
                           {"error", error.isNull() ? nlohmann::json() : nlohmann::json(error.toStdString())}});
        failed = failed || item->status() != Item::OkStatus;
    }
    qDeleteAll(items);
    result["outputs"] = outputs;
    nlohmann::json inputErrors = nlohmann::json::array();
    for (const QString& inputError : m_executor->inputErrors())
        inputErrors.push_back(inputError.toStdString());
    result["input_errors"] = inputErrors;
    result["failed"] = failed;
    if (m_executor->error())
        result["error"] = m_executor->errorMessage().toStdString();
    else if (failed)
        for (const auto& output : outputs)
            if (output["status"] != "ok") {
                result["error"] = output["error"].is_string()
                                      ? output["error"].get<std::string>()
                                      : "output " + std::to_string(output["port"].get<int>()) + " has no value";
                break;
            }
    return result;
}

} // namespace VORNE::batch
