#include "tools/runresults.h"

#include <QFile>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "results/recordindex.h"
#include "results/report.h"
#include "results/resultstable.h"
#include "tools/verifycommand.h"

namespace VORNE::batch {

RunResults::RunResults(const Options& options, const QList<int>& selected, const QString& digest)
    : m_table(options.table), m_report(options.report), m_digest(digest.toStdString())
{
    // Only a table or a report reads the journal back.
    if (wanted())
        m_selected = QSet<int>(selected.begin(), selected.end());
    m_sinceSave.start();
}

void RunResults::readRecords(RecordIndex& records, const QString& journal) const
{
    records.addFile(journal, [this](const nlohmann::json& record) {
        return m_selected.contains(record.value("index", -1)) && record.value("digest", std::string()) == m_digest;
    });
}

void RunResults::saveTable(const QString& journal)
{
    RecordIndex records;
    readRecords(records, journal);
    VORNE::saveTable(records, m_table);
}

void RunResults::recorded(const QString& journal)
{
    if (m_table.isEmpty() || m_sinceSave.elapsed() < m_interval)
        return;
    QElapsedTimer took;
    took.start();
    try {
        saveTable(journal);
    } catch (const std::exception&) {
        // Said once, at the end.
    }
    m_interval = std::max<qint64>(2000, 20 * took.elapsed());
    m_sinceSave.restart();
}

bool RunResults::finish(const QString& journal, int done, int failed, int skipped, qint64 milliseconds)
{
    try {
        if (!m_table.isEmpty())
            saveTable(journal);
        if (!m_report.isEmpty()) {
            RecordIndex records;
            readRecords(records, journal);
            ReportWriter report(records, m_report);
            report.setRun(done, failed, skipped, milliseconds);
            report.write();
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vorne-batch: %s\n", e.what());
        return false;
    }
    return true;
}

int runResultsCommand(const Options& options)
{
    if (options.command == QLatin1String("verify"))
        return runVerify(options);
    RecordIndex records;
    for (const QString& journal : options.journals)
        records.addFile(journal);
    if (options.command == QLatin1String("report")) {
        ReportWriter report(records, options.report);
        report.setVerify(options.verify);
        report.write();
    } else if (!options.table.isEmpty()) {
        saveTable(records, options.table);
    } else {
        QFile out;
        out.open(stdout, QIODevice::WriteOnly);
        writeTable(records, out, TableFormat::Csv);
    }
    return 0;
}

} // namespace VORNE::batch
