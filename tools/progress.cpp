#include "tools/progress.h"

#include <cstdio>

namespace VORNE::batch {

Progress::Progress(int total, bool quiet, bool terminal) : m_total(total), m_quiet(quiet), m_terminal(terminal)
{
    m_clock.start();
    if (!m_quiet && m_terminal && m_total > 0)
        drawBar();
}

void Progress::indexFinished(int index, bool failed, qint64 milliseconds, const QString& detail)
{
    ++m_count;
    if (m_quiet)
        return;
    if (m_terminal) {
        if (failed) {
            clearBar();
            std::fprintf(stderr, "index %d failed: %s\n", index, detail.toLocal8Bit().constData());
        }
        drawBar();
        return;
    }
    std::fprintf(stderr, "[%d/%d] index %d %s in %lld ms%s%s\n", m_count, m_total, index, failed ? "FAILED" : "done",
                 static_cast<long long>(milliseconds), detail.isEmpty() ? "" : ": ", detail.toLocal8Bit().constData());
    std::fflush(stderr);
}

void Progress::clearBar()
{
    if (m_barShown)
        std::fputs("\r\033[K", stderr);
    m_barShown = false;
}

void Progress::drawBar()
{
    constexpr int kWidth = 30;
    const double fraction = m_total > 0 ? double(m_count) / m_total : 1.0;
    const int filled = static_cast<int>(fraction * kWidth);
    const double seconds = m_clock.elapsed() / 1000.0;
    const double rate = seconds > 0 ? m_count / seconds : 0.0;
    QString eta = QStringLiteral("--");
    if (rate > 0)
        eta = formatDuration(static_cast<qint64>((m_total - m_count) / rate * 1000.0));
    const QString line = QStringLiteral("\r\033[K[%1%2] %3/%4 %5% %6/s ETA %7")
                             .arg(QString(filled, QLatin1Char('#')), QString(kWidth - filled, QLatin1Char('.')))
                             .arg(m_count)
                             .arg(m_total)
                             .arg(static_cast<int>(fraction * 100))
                             .arg(rate, 0, 'f', 1)
                             .arg(eta);
    std::fputs(line.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    m_barShown = true;
}

void Progress::finish()
{
    if (m_barShown) {
        std::fputc('\n', stderr);
        m_barShown = false;
    }
}

} // namespace VORNE::batch
