#pragma once
// One run of vorne-batch as the user sees it: which indices run and which the journal lets it skip, the
// journal lines and progress of those that finish, and the summary with the exit status.
#include <QElapsedTimer>
#include <QList>
#include <QStringList>

#include <memory>
#include <nlohmann/json.hpp>

#include "tools/options.h"

namespace VORNE::batch {

class BatchPlan;
class Journal;
class Progress;

class Session
{
public:
    // Throws UsageError when the journal cannot be opened.
    Session(const BatchPlan& plan, const Options& options);
    ~Session();

    // The selected indices the journal does not mark as done.
    const QList<int>& toRun() const { return m_toRun; }
    int skipped() const { return m_skipped; }

    // Prints the plan (--dry-run) on standard output.
    void printPlan() const;
    void start(bool terminal);
    // A result of IndexRunner::run or of a worker. Aborted indices are not recorded.
    void record(const nlohmann::json& result);
    // Prints the summary and returns the exit status.
    int finish(bool wasInterrupted);

private:
    const BatchPlan& m_plan;
    const Options& m_options;
    std::unique_ptr<Journal> m_journal;
    std::unique_ptr<Progress> m_progress;
    QList<int> m_toRun;
    int m_skipped = 0;
    int m_done = 0;
    int m_failed = 0;
    QStringList m_inputErrors; // "index: reason"
    QElapsedTimer m_clock;
};

} // namespace VORNE::batch
