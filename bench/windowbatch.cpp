// Drives the main window offscreen the way a user fills and runs a big batch, and prints one line of
// figures for bench/window-batch.sh: seconds to add every file of a folder from a text list, by a drop on
// the input list and as the Add button adds the files its dialog returns; seconds of two runs of the batch in the same window; the
// longest the event loop went without turning during the runs; the memory the items of one input list take;
// the user CPU time of the whole process and of the GUI thread alone in each run. The line goes to standard
// error: standard output carries the window's own lines of every step.
//   QT_QPA_PLATFORM=offscreen windowbatch GRAPH FOLDER LIST OUTDIR
#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>

#include <cstdio>
#include <functional>
#include <memory>

#include <linux/magic.h>
#include <sys/resource.h>
#include <sys/vfs.h>
#include <unistd.h>

#include "items/itemmodel.h"
#include "mainwindow/pvorne.h"

namespace {

template <class T> T* child(QObject& w, const char* name)
{
    T* found = w.findChild<T*>(name);
    if (!found)
        qFatal("no widget %s", name);
    return found;
}

QListView* inputView(PVorne& w)
{
    return child<QTabWidget>(w, "input_tabWidget")->widget(0)->findChild<QListView*>();
}

int inputCount(PVorne& w)
{
    return inputView(w)->model()->rowCount();
}

// Resident memory in bytes.
double residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return statm.readAll().split(' ').value(1).toDouble() * double(sysconf(_SC_PAGESIZE));
}

// User CPU seconds of all the process's threads: what the window's own code costs, whatever the kernel
// spends on the files.
double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec) + double(usage.ru_utime.tv_usec) / 1e6;
}

// User CPU seconds of the calling thread alone: for the main thread, what the window does on the GUI's
// side of a batch, which wall times on this disk hide in their noise.
double threadCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return double(usage.ru_utime.tv_sec) + double(usage.ru_utime.tv_usec) / 1e6;
}

// A RAM disk has neither the disk's waits nor ext4's check of recently deleted inodes.
bool onRamDisk(const QString& folder)
{
    struct statfs fs {};
    return ::statfs(QFile::encodeName(folder).constData(), &fs) == 0 && fs.f_type == TMPFS_MAGIC;
}

// Seconds until the action has run and every event it posted is handled.
double timed(const std::function<void()>& action)
{
    QElapsedTimer clock;
    clock.start();
    action();
    QApplication::processEvents();
    return clock.elapsed() / 1000.0;
}

std::unique_ptr<PVorne> window(const QString& graph)
{
    auto w = std::make_unique<PVorne>();
    w->resize(900, 700);
    w->show();
    if (!w->loadGraph(graph, true))
        qFatal("graph %s not loaded", qPrintable(graph));
    return w;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s GRAPH FOLDER LIST OUTDIR\n", argv[0]);
        return 2;
    }
    const QString graph = QString::fromLocal8Bit(argv[1]);
    const QDir folder(QString::fromLocal8Bit(argv[2]));
    const QString list = QString::fromLocal8Bit(argv[3]);
    const QString outdir = QString::fromLocal8Bit(argv[4]);
    QStringList files;
    for (const QString& name : folder.entryList(QDir::Files, QDir::Name))
        files << folder.filePath(name);

    std::unique_ptr<PVorne> w = window(graph);
    const double before = residentBytes();
    const double fromList = timed([&] { QMetaObject::invokeMethod(w.get(), "addTxtInput", Q_ARG(QString, list)); });
    const double perItem = (residentBytes() - before) / qMax(1, inputCount(*w));
    const int listed = inputCount(*w);

    w = window(graph);
    const double dropped = timed([&] {
        QWidget* target = inputView(*w)->viewport();
        QMimeData mime;
        QList<QUrl> urls;
        for (const QString& file : qAsConst(files))
            urls << QUrl::fromLocalFile(file);
        mime.setUrls(urls);
        QDragEnterEvent enter(target->rect().center(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QDropEvent drop(target->rect().center(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QApplication::sendEvent(target, &drop);
    });
    const int droppedCount = inputCount(*w);

    // What the Add button does with the files its dialog returns (a dialog given 10,000 names spends
    // minutes in Qt's own completion before it returns, which no change here can shorten).
    std::unique_ptr<PVorne> added = window(graph);
    const double addSeconds = timed([&] {
        for (const QString& file : qAsConst(files))
            QMetaObject::invokeMethod(added.get(), "addImageFileInput", Q_ARG(QString, file), Q_ARG(int, 0));
    });
    const int addedCount = inputCount(*added);
    added.reset();

    child<QLineEdit>(*w, "directory_lineEdit")->setText(outdir);
    auto* runButton = child<QPushButton>(*w, "run_pushButton");
    auto* progress = child<QWidget>(*w, "run_progressBar");
    qint64 longestGap = 0;
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestGap = qMax(longestGap, sinceTick.restart());
    });
    double runs[2] = {0, 0};
    double cpu[2] = {0, 0};
    double guiCpu[2] = {0, 0};
    for (int run = 0; run < 2; ++run) {
        double& seconds = runs[run];
        QDir(outdir).removeRecursively();
        QDir().mkpath(outdir);
        // The deletion's and the previous run's writes would otherwise reach the disk during this run, and
        // ext4 checks every new inode against those deleted in the last 30 s (dirty_expire_centisecs), which
        // made a run right after a deletion half as fast again, whatever the program.
        if (!onRamDisk(outdir)) {
            ::sync();
            ::sleep(31);
        }
        QElapsedTimer clock;
        clock.start();
        const double cpuBefore = processCpuSeconds();
        const double guiBefore = threadCpuSeconds();
        sinceTick.start();
        ticker.start();
        // The window's own event loop runs the batch, as it does for a user; a poll only notices its end.
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (!runButton->isHidden() && progress->isHidden())
                loop.quit();
        });
        poll.start(20);
        QMetaObject::invokeMethod(w.get(), "Run", Qt::QueuedConnection);
        loop.exec();
        ticker.stop();
        seconds = clock.elapsed() / 1000.0;
        cpu[run] = processCpuSeconds() - cpuBefore;
        guiCpu[run] = threadCpuSeconds() - guiBefore;
    }
    // Standard output carries the window's own lines of every step.
    std::fprintf(stderr,
                 "items %d %d %d list %.3f drop %.3f add %.3f run1 %.3f run2 %.3f gap %lld bytes %.0f cpu1 %.3f cpu2 %.3f"
                 " gui1 %.3f gui2 %.3f\n",
                 listed, droppedCount, addedCount, fromList, dropped, addSeconds, runs[0], runs[1], longestGap, perItem,
                 cpu[0], cpu[1], guiCpu[0], guiCpu[1]);
    return 0;
}
