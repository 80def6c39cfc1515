#pragma once
// Progress on standard error: on a terminal one line redrawn in place (bar, count, percent, rate, ETA),
// elsewhere (logs of cluster jobs) one plain line per finished index.
#include <QElapsedTimer>
#include <QString>

#include "results/batchheader.h" // formatDuration

namespace VORNE::batch {

class Progress
{
public:
    Progress(int total, bool quiet, bool terminal);
    void indexFinished(int index, bool failed, qint64 milliseconds, const QString& detail);
    // Ends the bar's line.
    void finish();

private:
    void drawBar();
    void clearBar();

    int m_total;
    int m_count = 0;
    bool m_quiet;
    bool m_terminal;
    bool m_barShown = false;
    QElapsedTimer m_clock;
};


} // namespace VORNE::batch
