#pragma once
// The results table and report of vorne-batch: of this run (--table, --report), built from the run's
// journal, and of earlier runs (vorne-batch table|report JOURNAL...).
#include <QElapsedTimer>
#include <QSet>
#include <QString>

#include "tools/options.h"

namespace VORNE {
class RecordIndex;
}

namespace VORNE::batch {

class RunResults
{
public:
    // The run's rows: the selected indices, recorded with this digest.
    RunResults(const Options& options, const QList<int>& selected, const QString& digest);

    bool wanted() const { return !m_table.isEmpty() || !m_report.isEmpty(); }
    // After each record: rewrites the table now and then, so that a run killed outright still leaves a
    // table of most of what finished. Its cost stays a small share of the run's time.
    void recorded(const QString& journal);
    // Writes the table and the report. False, after saying why on standard error, when one of them
    // could not be written.
    bool finish(const QString& journal, int done, int failed, int skipped, qint64 milliseconds);

private:
    void readRecords(RecordIndex& records, const QString& journal) const;
    void saveTable(const QString& journal);

    QString m_table;
    QString m_report;
    QSet<int> m_selected;
    std::string m_digest;
    QElapsedTimer m_sinceSave;
    qint64 m_interval = 2000;
};

// vorne-batch table|report|verify: returns the exit status.
int runResultsCommand(const Options& options);

} // namespace VORNE::batch
