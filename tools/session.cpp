#include "tools/session.h"

#include <QDateTime>
#include <QSysInfo>

#include <cstdio>
#include <future>

#include "executor/outputnaming.h"
#include "items/item.h"
#include "items/itemmodel.h"
#include "results/batchheader.h"
#include "results/indexrecord.h"
#include "tools/batchplan.h"
#include "tools/console.h"
#include "tools/journal.h"
#include "tools/logging.h"
#include "tools/progress.h"
#include "tools/runresults.h"

namespace VORNE::batch {

Session::Session(const BatchPlan& plan, const Options& options, std::unique_ptr<Journal> journal)
    : m_plan(plan), m_options(options), m_journal(std::move(journal))
{
    m_clock.start();
    const QList<int> selected = plan.selectedIndices(options);
    m_results = std::make_unique<RunResults>(options, selected, plan.digest());
    if (!m_journal && !options.journal.isEmpty()) {
        m_journal = std::make_unique<Journal>(options.journal, options.resumeByContent);
    } else if (!m_journal && m_results->wanted()) {
        m_spool = std::make_unique<QTemporaryFile>();
        if (!m_spool->open())
            throw UsageError("could not create a temporary file for the results table");
        m_journal = std::make_unique<Journal>(m_spool->fileName());
    }
    // The passes over a long batch only read the plan and the journal, and each is bound by a stat or a
    // name per index: side by side they take a fraction of the time. Their threads have ended before any
    // worker is forked.
    std::future<QList<OutputCollision>> collisions = std::async(std::launch::async, [&plan, &selected] {
        return findOutputCollisions(plan.outputPatterns(), plan.outputNames().size(), selected,
                                    [&plan](int index) { return plan.namingOf(index); });
    });
    if (m_journal) {
        const auto notDone = [this, &plan, &selected, &options](int from, int to) {
            QList<int> indices;
            for (int i = from; i < to; ++i)
                if (!m_journal->isDone(selected[i], plan.inputsOf(selected[i], options.resumeByContent), plan.digest()))
                    indices << selected[i];
            return indices;
        };
        const int half = selected.size() / 2;
        std::future<QList<int>> secondHalf = std::async(std::launch::async, notDone, half, selected.size());
        m_toRun = notDone(0, half) + secondHalf.get();
    } else {
        m_toRun = selected;
    }
    m_skipped = selected.size() - m_toRun.size();
    m_collisions = collisions.get();
}

void Session::refuseCollisions() const
{
    if (m_collisions.isEmpty() || m_options.overwrite)
        return;
    throw UsageError(QStringLiteral("outputs of this batch would overwrite each other:\n%1\nGive --overwrite to run "
                                    "anyway.")
                         .arg(collisionReport(m_collisions, m_plan.outputPatterns()))
                         .toStdString());
}

Session::~Session() = default;

void Session::printPlan() const
{
    QString text = QStringLiteral("graph: %1\n").arg(m_plan.graphPath());
    for (int port = 0; port < m_plan.inputNames().size(); ++port)
        text += QStringLiteral("input %1 (%2): %3 items\n")
                    .arg(port)
                    .arg(m_plan.inputNames()[port])
                    .arg(m_plan.itemCount(port));
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
    QSet<int> clashing;
    for (const OutputCollision& collision : m_collisions)
        clashing << collision.index << collision.earlierIndex;
    for (const int index : m_toRun) {
        const QList<NamingInput> naming = m_plan.namingOf(index);
        QStringList names;
        for (int port = 0; port < m_plan.outputNames().size(); ++port)
            names << outputFilename(m_plan.outputPatterns(), port, naming, nullptr);
        text += QStringLiteral("%1: %2 -> %3%4\n")
                    .arg(index)
                    .arg(m_plan.inputTexts(index).join(QStringLiteral(" | ")), names.join(QStringLiteral(" | ")),
                         clashing.contains(index) ? QStringLiteral(" [collision]") : QString());
    }
    if (!m_collisions.isEmpty())
        text += collisionReport(m_collisions, m_plan.outputPatterns()) + QLatin1Char('\n');
    printOut(text);
}

void Session::start(bool terminal)
{
    const int leftovers = removeLeftovers(m_plan.outputPatterns());
    if (leftovers > 0)
        qCWarning(lcBatch, "removed %d unfinished file(s) that killed runs left in the output folders", leftovers);
    m_clock.restart();
    m_progress = std::make_unique<Progress>(m_toRun.size(), m_options.quiet, terminal);
    if (!m_journal)
        return;
    BatchHeader header;
    header.graph = m_plan.graphPath();
    header.digest = m_plan.digest();
    header.parameters = parameterText(&m_plan.parameters());
    header.inputs = m_plan.inputNames();
    header.outputs = m_plan.outputNames();
    header.hosts = QStringList{QSysInfo::machineHostName()};
    header.started = QDateTime::currentDateTimeUtc();
    header.naming = m_plan.outputPatterns();
    header.graphChecksum = m_plan.graphChecksum();
    m_journal->append(header.toJson());
}

QString Session::journalPath() const
{
    return m_spool ? m_spool->fileName() : m_options.journal;
}

nlohmann::json Session::replacedFiles(int index, const nlohmann::json& result)
{
    nlohmann::json replaced = nlohmann::json::array();
    // Without a collision before the run no two names can meet, and a long batch need not remember them.
    if (m_collisions.isEmpty())
        return replaced;
    for (const nlohmann::json& output : result.value("outputs", nlohmann::json::array())) {
        if (output.value("type", std::string()) != "image file")
            continue;
        const QString file = QString::fromStdString(output.value("value", std::string()));
        const auto earlier = m_written.constFind(file);
        if (earlier != m_written.constEnd() && earlier.value() != index) {
            qCWarning(lcBatch, "index %d replaced %s, which index %d of this run wrote", index,
                      qUtf8Printable(file), earlier.value());
            replaced.push_back({{"file", file.toStdString()}, {"index", earlier.value()}});
        }
        m_written.insert(file, index);
    }
    return replaced;
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
    const nlohmann::json replaced = replacedFiles(index, result);
    if (m_journal) {
        nlohmann::json inputs = m_plan.inputsOf(index, m_plan.checksums());
        addPixelSizes(inputs, result.value("pixel_sizes", nlohmann::json::array()));
        nlohmann::json line = indexRecord(
            index, inputs,
            StepOutcome{result.value("outputs", nlohmann::json::array()), failed, error}, result.value("ms", 0));
        line["digest"] = m_plan.digest().toStdString();
        line["input_errors"] = inputErrors;
        if (!replaced.empty())
            line["replaced"] = replaced;
        m_journal->append(line);
        m_results->recorded(journalPath());
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
    if (m_journal)
        m_journal->sync();
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
    const bool written =
        !m_journal || m_results->finish(journalPath(), m_done, m_failed, m_skipped, m_clock.elapsed());
    if (wasInterrupted)
        return 130;
    if (!written)
        return 2;
    return m_failed > 0 ? 1 : 0;
}

} // namespace VORNE::batch
