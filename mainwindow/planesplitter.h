#pragma once
// The window's "Split channels and time points..." of the input lists: splits image files (see
// executor/planesplit.h) on a thread of its own, one split at a time, so that the window stays usable
// while a large hyperstack is written out. Lives on the GUI thread; its signals arrive there.
#include <QObject>
#include <QStringList>

#include <memory>

class QThread;

namespace VORNE {

class PlaneSplitter : public QObject
{
    Q_OBJECT

public:
    explicit PlaneSplitter(QObject* parent = nullptr);
    // Waits for a split in progress: its files are complete or removed when the window goes.
    ~PlaneSplitter() override;

    bool busy() const { return m_thread != nullptr; }
    // Splits files into folder for the input port; false, doing nothing, while a split runs.
    bool start(const QStringList& files, const QString& folder, int port);

signals:
    // After each input file.
    void progress(int filesDone, int files);
    // written: every file written, in order; errors: one per file that could not be split, naming it.
    void finished(int port, const QStringList& written, const QStringList& errors);

private:
    void end();

    QThread* m_thread = nullptr;
    int m_port = -1;
    // Written by the thread, read once it has ended.
    QStringList m_written;
    QStringList m_errors;
};

} // namespace VORNE
