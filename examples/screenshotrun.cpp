// Drives the main window through one watchable batch the way a user does (mouse clicks on Run, Pause and
// Resume) and saves what the window looks like while running and when finished; then a batch with an
// unreadable input and a graph that does not load, for the message area. Used for the README's
// screenshots; run it under a virtual display:
//   xvfb-run -a -s "-screen 0 1280x900x24" build/examples/screenshot-run GRAPH LIST REPEAT OUTDIR SHOTDIR
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <cstdio>
#include <functional>

#include "mainwindow/pvorne.h"
#include "screenshotsupport.h"

namespace {

using namespace screenshots;

void click(PVorne& window, const char* button)
{
    QTest::mouseClick(child<QPushButton>(window, button), Qt::LeftButton);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s GRAPH LIST REPEAT OUTDIR SHOTDIR\n", argv[0]);
        return 2;
    }
    const QString graph = QString::fromLocal8Bit(argv[1]);
    const QString list = QString::fromLocal8Bit(argv[2]);
    const int repeat = QString::fromLocal8Bit(argv[3]).toInt();
    const QString outputDir = QString::fromLocal8Bit(argv[4]);
    const QDir shots(QString::fromLocal8Bit(argv[5]));
    QDir().mkpath(outputDir);
    QDir().mkpath(shots.path());

    PVorne window;
    window.resize(640, 560);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window) || !window.loadGraph(graph))
        return 1;
    for (int i = 0; i < repeat; ++i)
        QMetaObject::invokeMethod(&window, "addTxtInput", Q_ARG(QString, list));

    auto* patterns = child<QWidget>(window, "output_filename_pattern_widget");
    child<QLineEdit>(*patterns, "directory_lineEdit")->setText(outputDir);
    child<QComboBox>(*patterns, "suffix_comboBox")->setCurrentText(QStringLiteral(".png"));

    auto* progress = child<QProgressBar>(window, "run_progressBar");
    auto* run = child<QPushButton>(window, "run_pushButton");
    auto* resume = child<QPushButton>(window, "resume_run_pushButton");
    click(window, "run_pushButton");
    waitFor("a third of the batch", [&] { return progress->value() >= progress->maximum() / 3; });
    save(&window, shots.filePath(QStringLiteral("running.png")));

    click(window, "pause_run_pushButton");
    waitFor("the pause", [&] { return resume->isVisible(); });
    save(&window, shots.filePath(QStringLiteral("paused.png")));
    click(window, "resume_run_pushButton");
    waitFor("the end of the batch", [&] { return run->isVisible(); });
    child<QTabWidget>(window, "output_tabWidget")->setCurrentIndex(0);
    QTest::qWait(100);
    save(&window, shots.filePath(QStringLiteral("finished-run.png")));

    // The same batch once more with an empty file among the inputs: the message area sums it up.
    const QString empty = QDir(outputDir).filePath(QStringLiteral("cells_empty.png"));
    QFile(empty).open(QIODevice::WriteOnly);
    QMetaObject::invokeMethod(&window, "addImageFileInput", Q_ARG(QString, empty), Q_ARG(int, 0));
    click(window, "run_pushButton");
    waitFor("the batch with a failure", [&] { return !run->isVisible(); });
    waitFor("its end", [&] { return run->isVisible(); });
    child<QTabWidget>(window, "output_tabWidget")->setCurrentIndex(0);
    save(&window, shots.filePath(QStringLiteral("batch-failures.png")));

    // A graph file that is not one, typed into the field and reloaded.
    const QString broken = QDir(outputDir).filePath(QStringLiteral("broken.ogr"));
    QFile file(broken);
    if (file.open(QIODevice::WriteOnly))
        file.write("{ \"nodes\": { \"blur\": { \"plugin\": \"%KORADIR%/bin/imgproc::Blurr\" } } }\n");
    file.close();
    child<QLineEdit>(window, "graphname_lineEdit")->setText(broken);
    click(window, "reload_graph_pushButton");
    save(&window, shots.filePath(QStringLiteral("graph-load-failed.png")));
    return 0;
}
