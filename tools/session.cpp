#include "tools/session.h"

#include <cstdio>

#include "executor/outputnaming.h"
#include "items/item.h"
#include "items/itemmodel.h"
#include "tools/batchplan.h"
#include "tools/console.h"
#include "tools/journal.h"
#include "tools/progress.h"

namespace VORNE::batch {

Session::Session(const BatchPlan& plan, const Options& options) : m_plan(plan), m_options(options)
{
    m_clock.start();
    if (!options.journal.isEmpty())
        m_journal = std::make_unique<Journal>(options.journal);
    for (const int index : plan.selectedIndices(options)) {
        if (m_journal && m_journal->isDone(index, plan.inputsOf(index), plan.digest()))
            ++m_skipped;
        else
            m_toRun << index;
    }
}

Session::~Session() = default;

void Session::printPlan() const
{
    QString text = QStringLiteral("graph: %1\n").arg(m_plan.graphPath());
    for (int port = 0; port < m_plan.inputNames().size(); ++port)
        text += QStringLiteral("input %1 (%2): %3 items\n")
                    .arg(port)
                    .arg(m_plan.inputNames()[port])
                    .arg(m_plan.inputModels()[port]->rowCount());
    for (int port = 0; port < m_plan.outputNames().size(); ++port) {
        const OutputPattern& pattern = m_plan.outputPatterns().value(port, m_plan.outputPatterns().first());
        text += QStringLiteral("output %1 (%2): %3/%4 + %5\n")
                    .arg(port)
                    .arg(m_plan.outputNames()[port], pattern.directory, pattern.pattern, pattern.suffix);
    }
    text += QStringLiteral("digest: %1\nbatch: %2 indices, %3 selected, %4 to run, %5 done in the journal\n")
                .arg(m_plan.digest())
                .arg(m_plan.batchSize())
                .arg(m_toRun.size() + m_skipped)
                .arg(m_toRun.size())
                .arg(m_skipped);
    if (!m_plan.skipReport().isEmpty())
        text += m_plan.skipReport() + QLatin1Char('\n');
    for (const int index : m_toRun) {
        QList<NamingInput> naming;
        for (const ItemModel* model : m_plan.inputModels())
            naming << namingInput(model->item(index));
        QStringList names;
        for (int port = 0; port < m_plan.outputNames().size(); ++port)
            names << outputFilename(m_plan.outputPatterns(), port, naming, nullptr);
        text += QStringLiteral("%1: %2 -> %3\n")
                    .arg(index)
                    .arg(m_plan.inputTexts(index).join(QStringLiteral(" | ")), names.join(QStringLiteral(" | ")));
    }
    printOut(text);
}

void Session::start(bool terminal)
{
    m_clock.restart();
    m_progress = std::make_unique<Progress>(m_toRun.size(), m_options.quiet, terminal);
}

void Session::record(const nlohmann::json& result)
{
    if (result.value("aborted", false))
        return;
    const int index = result["index"].get<int>();
    const bool failed = result.value("failed", true);
    (failed ? m_failed : m_done)++;
    const std::string error = result.value("error", std::string());
    const nlohmann::json inputErrors = result.value("input_errors", nlohmann::json::array());
    for (const nlohmann::json& inputError : inputErrors)
        m_inputErrors << QString::number(index) + QStringLiteral(": ") +
                             QString::fromStdString(inputError.get<std::string>());
    if (m_journal) {
        nlohmann::json line{{"index", index},
                            {"inputs", m_plan.inputsOf(index)},
                            {"digest", m_plan.digest().toStdString()},
                            {"outputs", result.value("outputs", nlohmann::json::array())},
                            {"status", failed ? "failed" : "done"},
                            {"error", failed ? nlohmann::json(error) : nlohmann::json()},
                            {"input_errors", inputErrors},
                            {"ms", result.value("ms", 0)}};
        m_journal->append(line);
    }
    // The unreadable input explains the failure that follows from it better than the failure itself.
    QString detail = inputErrors.empty() ? QString::fromStdString(error)
                                         : QString::fromStdString(inputErrors.front().get<std::string>());
    if (!failed) {
        QStringList files;
        for (const nlohmann::json& output : result.value("outputs", nlohmann::json::array()))
            files << QString::fromStdString(output.value("value", std::string()));
        detail = files.join(QStringLiteral(", "));
    }
    m_progress->indexFinished(index, failed, result.value("ms", 0), detail);
}

int Session::finish(bool wasInterrupted)
{
    if (m_progress)
        m_progress->finish();
    if (wasInterrupted)
        std::fputs("vorne-batch: interrupted; the indices that finished are saved and recorded\n", stderr);
    if (!m_inputErrors.isEmpty())
        printOut(QStringLiteral("inputs that could not be read:\n  ") + m_inputErrors.join(QStringLiteral("\n  ")) +
                 QLatin1Char('\n'));
    printOut(QStringLiteral("%1 done, %2 failed, %3 skipped in %4\n")
                 .arg(m_done)
                 .arg(m_failed)
                 .arg(m_skipped)
                 .arg(formatDuration(m_clock.elapsed())));
    if (wasInterrupted)
        return 130;
    return m_failed > 0 ? 1 : 0;
}

} // namespace VORNE::batch
