#include "mainwindow/planesplitter.h"

#include <QThread>

#include "executor/planesplit.h"

namespace VORNE {

PlaneSplitter::PlaneSplitter(QObject* parent)
    : QObject(parent)
{
}

PlaneSplitter::~PlaneSplitter()
{
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
    }
}

bool PlaneSplitter::start(const QStringList& files, const QString& folder, int port)
{
    if (m_thread)
        return false;
    m_port = port;
    m_written.clear();
    m_errors.clear();
    m_thread = QThread::create([this, files, folder] {
        for (int i = 0; i < files.size(); ++i) {
            const PlaneSplit split = splitPlanes(files.at(i), folder);
            m_written << split.written;
            if (!split.error.isEmpty())
                m_errors << split.error;
            emit progress(i + 1, files.size());
        }
    });
    connect(m_thread, &QThread::finished, this, &PlaneSplitter::end);
    m_thread->start();
    return true;
}

void PlaneSplitter::end()
{
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    emit finished(m_port, m_written, m_errors);
}

} // namespace VORNE
