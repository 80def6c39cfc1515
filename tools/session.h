#pragma once
// One run of vorne-batch as the user sees it: which indices run and which the journal lets it skip, the
// journal lines and progress of those that finish, and the summary with the exit status.
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QSet>
#include <QStringList>
#include <QTemporaryFile>

#include <memory>
#include <nlohmann/json.hpp>

#include "executor/outputcheck.h"
#include "tools/options.h"

namespace VORNE::batch {

class BatchPlan;
class Journal;
class Progress;
class RunResults;

class Session
{
public:
    // Throws UsageError when the journal cannot be opened. journal: options.journal already opened (a
    // long one is read while the plan is built), or null to open it here.
    Session(const BatchPlan& plan, const Options& options, std::unique_ptr<Journal> journal = nullptr);
    ~Session();

    // The selected indices the journal does not mark as done.
    const QList<int>& toRun() const { return m_toRun; }
    int skipped() const { return m_skipped; }

    // Outputs of the selected indices that would overwrite each other.
    const QList<OutputCollision>& collisions() const { return m_collisions; }
    // Throws UsageError listing the collisions, unless there are none or --overwrite was given.
    void refuseCollisions() const;

    // Prints the plan (--dry-run) on standard output.
    void printPlan() const;
    // Removes what killed runs left in the output folders, then starts the clock and the progress.
    void start(bool terminal);
    // A result of IndexRunner::run or of a worker. Aborted indices are not recorded.
    void record(const nlohmann::json& result);
    // Prints the summary and returns the exit status.
    int finish(bool wasInterrupted);

private:
    QString journalPath() const;
    // Files of this result that an earlier index of this run wrote, as journal entries; each is warned of.
    nlohmann::json replacedFiles(int index, const nlohmann::json& result);

    const BatchPlan& m_plan;
    const Options& m_options;
    std::unique_ptr<Journal> m_journal;
    // Without --journal, the table and report are built from a journal of this run only.
    std::unique_ptr<QTemporaryFile> m_spool;
    std::unique_ptr<RunResults> m_results;
    std::unique_ptr<Progress> m_progress;
    QList<int> m_toRun;
    QList<OutputCollision> m_collisions;
    QHash<QString, int> m_written; // file -> the index that wrote it in this run
    int m_skipped = 0;
    int m_done = 0;
    int m_failed = 0;
    QStringList m_inputErrors; // "index: reason"
    QElapsedTimer m_clock;
};

} // namespace VORNE::batch
