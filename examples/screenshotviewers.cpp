// Runs example batches and drives the viewer windows the way a user does: a double-click on an output
// item, the input viewer opened from the port selector, Space and Backspace to step with both in sync, and
// two ports switched to a plot and a scatter plot; then an unreadable input stepped onto, the output of a
// failed step, and a second run that brings the output viewers back. Saves the screenshots for the
// README; run it under a virtual display:
//   xvfb-run -a -s "-screen 0 1280x900x24" build/examples/screenshot-viewers EXAMPLES_DIR OUTDIR SHOTDIR
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include <cstdio>
#include <functional>

#include "items/item.h"
#include "items/itemmodel.h"
#include "mainwindow/pvorne.h"
#include "viewers/abstractdisplay.h"
#include "viewers/displaymanager.h"
#include "viewers/displaytoolbar.h"
#include "screenshotsupport.h"

using VORNE::AbstractDisplay;
using VORNE::ItemModel;

namespace {

using namespace screenshots;

QListView* outputList(PVorne& window, int port)
{
    child<QTabWidget>(window, "input_output_tabWidget")->setCurrentIndex(2);
    auto* tabs = child<QTabWidget>(window, "output_tabWidget");
    tabs->setCurrentIndex(port);
    return tabs->widget(port)->findChild<QListView*>();
}

// The input list, once given, survives the change of graph.
void runBatch(PVorne& window, const QString& graph, const QString& list, const QString& outputDir)
{
    if (!window.loadGraph(graph))
        qFatal("cannot load %s", qPrintable(graph));
    if (!list.isEmpty())
        QMetaObject::invokeMethod(&window, "addTxtInput", Q_ARG(QString, list));
    auto* patterns = child<QWidget>(window, "output_filename_pattern_widget");
    child<QLineEdit>(*patterns, "directory_lineEdit")->setText(outputDir);
    child<QCheckBox>(*patterns, "as_default_checkBox")->setChecked(true);
    QTest::mouseClick(child<QPushButton>(window, "run_pushButton"), Qt::LeftButton);
    auto* run = child<QPushButton>(window, "run_pushButton");
    waitFor("the batch", [&] { return run->isVisible() && outputList(window, 0)->model()->rowCount() > 0; });
}

// The viewer that a double-click on row of output port opens.
AbstractDisplay* doubleClickOutput(PVorne& window, int port, int row)
{
    QListView* list = outputList(window, port);
    QTest::qWait(50);
    const QPoint at = list->visualRect(list->model()->index(row, 0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    AbstractDisplay* viewer = window.findChild<VORNE::DisplayManager*>()->viewer(ItemModel::OutputModel, port);
    waitFor("the viewer", [&] { return viewer->isVisible(); });
    return viewer;
}

AbstractDisplay* switchKind(PVorne& window, AbstractDisplay* viewer, const QString& kind)
{
    const int port = viewer->portIndex();
    viewer->toolbar()->m_displayTypeComboBox->setCurrentText(kind);
    AbstractDisplay* replacement = window.findChild<VORNE::DisplayManager*>()->viewer(viewer->portType(), port);
    QTest::qWait(300);
    return replacement;
}

int row(const AbstractDisplay* viewer)
{
    return viewer->item() ? viewer->item()->row() : -1;
}

// Runs the loaded graph again with the inputs it has.
void runAgain(PVorne& window)
{
    auto* run = child<QPushButton>(window, "run_pushButton");
    QTest::mouseClick(run, Qt::LeftButton);
    waitFor("the second batch", [&] { return run->isVisible(); });
}

void saveScreen(const QString& path)
{
    QTest::qWait(500);
    if (!QGuiApplication::primaryScreen()->grabWindow(0).save(path))
        qFatal("cannot write %s", qPrintable(path));
    std::printf("wrote %s\n", qPrintable(path));
}

// A key press as the window system delivers it to the active viewer. Buttons answer their shortcuts with an
// animated click, 100 ms later.
void key(AbstractDisplay* viewer, Qt::Key pressed)
{
    viewer->activateWindow();
    if (!QTest::qWaitForWindowActive(viewer))
        qFatal("the viewer does not become active");
    QTest::keyClick(viewer->windowHandle(), pressed);
    QTest::qWait(300);
}

} // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s EXAMPLES_DIR OUTDIR SHOTDIR\n", argv[0]);
        return 2;
    }
    const QDir examples(QString::fromLocal8Bit(argv[1]));
    const QString outputDir = QString::fromLocal8Bit(argv[2]);
    const QDir shots(QString::fromLocal8Bit(argv[3]));
    QDir().mkpath(outputDir);

    PVorne window;
    window.resize(640, 560);
    window.move(20, 20);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;

    // Masks of the cell images, stepped through with the input viewer in sync.
    runBatch(window, examples.filePath("graphs/count_cells.ogr"), examples.filePath("data/images.txt"), outputDir);
    AbstractDisplay* masks = doubleClickOutput(window, 0, 0);
    masks->toolbar()->m_portComboBox->setCurrentIndex(0); // the input viewer, from the port selector
    AbstractDisplay* images = window.findChild<VORNE::DisplayManager*>()->viewer(ItemModel::InputModel, 0);
    waitFor("the input viewer", [&] { return images->isVisible(); });
    images->move(masks->x() + masks->width() + 20, masks->y());
    key(masks, Qt::Key_Space);
    key(masks, Qt::Key_Space);
    key(masks, Qt::Key_Backspace);
    std::printf("after Space, Space, Backspace: mask row %d, image row %d\n", row(masks), row(images));
    if (row(masks) != 1 || row(images) != 1)
        qFatal("the viewers did not step together");
    save(masks, shots.filePath("manager-display.png"));

    // A file that is no image at the end of the inputs, in a small window: the caption below the picture
    // says why the picture stays.
    auto* inputs = qobject_cast<ItemModel*>(
        child<QTabWidget>(window, "input_tabWidget")->widget(0)->findChild<QListView*>()->model());
    inputs->appendItem(new VORNE::Item(examples.filePath("data/images.txt"), VORNE::Item::ImageFileType));
    images->resize(360, 330);
    images->toolbar()->m_indexSpinBox->setValue(inputs->rowCount());
    save(images, shots.filePath("viewer-caption.png"));
    inputs->removeRows(inputs->rowCount() - 1, 1);
    images->close();

    // A graph whose step fails: its output shows the error icon, the item's state and the step's reason.
    runBatch(window, examples.filePath("graphs/fails.ogr"), QString(), outputDir);
    AbstractDisplay* failed = doubleClickOutput(window, 0, 0);
    failed->resize(420, 400);
    save(failed, shots.filePath("viewer-failed-step.png"));
    failed->close();

    // Areas of the cells as a plot, centroids as a scatter plot.
    runBatch(window, examples.filePath("graphs/plot_outputs.ogr"), QString(), outputDir);
    AbstractDisplay* areas = switchKind(window, doubleClickOutput(window, 4, 2), "plot::Plot");
    std::printf("plot shows row %d\n", row(areas));
    save(areas, shots.filePath("manager-plot.png"));
    AbstractDisplay* centroids = switchKind(window, doubleClickOutput(window, 3, 2), "display::ScatterPlot");
    std::printf("scatter plot shows row %d; areas row %d\n", row(centroids), row(areas));
    save(centroids, shots.filePath("manager-scatterplot.png"));

    // The same batch again: both viewers close with their items and come back as the outputs arrive.
    areas->move(20, 600 - areas->height() / 2);
    centroids->move(areas->x() + areas->width() + 20, areas->y());
    runAgain(window);
    waitFor("the viewers to reopen", [&] { return areas->isVisible() && centroids->isVisible(); });
    std::printf("after the second run: plot row %d, scatter plot row %d\n", row(areas), row(centroids));
    saveScreen(shots.filePath("viewers-reopened.png"));
    return 0;
}
