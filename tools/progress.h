#pragma once
// Progress on standard error: on a terminal one line redrawn in place (bar, count, percent, rate, ETA),
// elsewhere (logs of cluster jobs) one plain line per finished index.
#include <QElapsedTimer>
#include <QString>

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

// "4.25 s" below a minute, else "1:02:03".
QString formatDuration(qint64 milliseconds);

} // namespace VORNE::batch
