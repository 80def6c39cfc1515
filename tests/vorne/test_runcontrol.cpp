// Real batch runs of the example graphs, driven through the run buttons' slots; every wait is on a signal
// or a condition, never a fixed sleep.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QCheckBox>
#include <QComboBox>
#include <QListView>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>

#include <memory>

#include "executor/graphexecutor.h"
#include "items/item.h"
#include "items/itemmodel.h"
#include "mainwindow/filedroplistview.h"
#include "mainwindow/pvorne.h"
#include "stderrcapture.h"
#include "streamcapture.h"

using VORNE::Item;
using VORNE::ItemModel;

namespace {

const int kRunTimeout = 60000;

QString source(const QString& relative)
{
    return qEnvironmentVariable("VORNE_SOURCE_DIR") + "/" + relative;
}

QString example(const char* graph)
{
    return source(QStringLiteral("examples/graphs/") + graph);
}

QString testGraph(const char* graph)
{
    return source(QStringLiteral("tests/vorne/graphs/") + graph);
}

QString image(int n)
{
    static const char* const names[] = {"cells_1", "cells_2", "cells_3", "cells_4", "cells_16"};
    return source(QStringLiteral("examples/data/%1.png").arg(names[n % 5]));
}

template <class T>
T* child(QObject& w, const char* name)
{
    T* widget = w.findChild<T*>(name);
    if (widget == nullptr)
        qFatal("no widget %s", name);
    return widget;
}

ItemModel* model(PVorne& w, const char* tabs, int port)
{
    QWidget* page = child<QTabWidget>(w, tabs)->widget(port);
    return page ? qobject_cast<ItemModel*>(page->findChild<QListView*>()->model()) : nullptr;
}

ItemModel* inputs(PVorne& w, int port) { return model(w, "input_tabWidget", port); }
ItemModel* outputs(PVorne& w, int port) { return model(w, "output_tabWidget", port); }

void fill(PVorne& w, int port, int count)
{
    for (int n = 0; n < count; ++n)
        inputs(w, port)->appendItem(new Item(image(n), Item::ImageFileType));
}

// The graph without inputs reads a file named by its parameter: the test points it at the source tree.
bool loadNoInputsGraph(PVorne& w)
{
    if (!w.loadGraph(testGraph("no_inputs.ogr")))
        return false;
    auto* parameters = w.findChild<QTextBrowser*>("graph_parameters_textBrowser");
    parameters->setPlainText(parameters->toPlainText().replace("tests/vorne/graphs/tiny.asc", testGraph("tiny.asc")));
    return true;
}

void invoke(PVorne& w, const char* slot)
{
    QVERIFY(QMetaObject::invokeMethod(&w, slot));
}

bool idle(PVorne& w)
{
    return !child<QPushButton>(w, "run_pushButton")->isHidden() && child<QProgressBar>(w, "run_progressBar")->isHidden();
}

// Runs the batch to its end through the Run button's slot.
void runToEnd(PVorne& w)
{
    invoke(w, "Run");
    QTRY_VERIFY_WITH_TIMEOUT(idle(w), kRunTimeout);
}

VORNE::GraphExecutor* executor(PVorne& w)
{
    return w.findChild<VORNE::GraphExecutor*>();
}

// Accepts every information box that comes up while alive and remembers their texts.
class BoxAnswerer : public QObject
{
public:
    BoxAnswerer()
    {
        connect(&m_poll, &QTimer::timeout, this, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts << box->windowTitle() + "|" + box->text();
                box->accept();
            }
        });
        m_poll.start(10);
    }
    QStringList texts;

private:
    QTimer m_poll;
};

// Standard output sent to a file that can be read while the run goes on (the executor's thread writes
// its progress lines there).
class StdoutTap
{
public:
    StdoutTap()
    {
        m_file.open();
        std::cout.flush();
        m_saved = ::dup(1);
        ::dup2(m_file.handle(), 1);
    }
    ~StdoutTap()
    {
        std::cout.flush();
        ::dup2(m_saved, 1);
        ::close(m_saved);
    }
    QByteArray text() const
    {
        QFile file(m_file.fileName());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private:
    QTemporaryFile m_file;
    int m_saved = -1;
};

QStringList values(const ItemModel* m)
{
    QStringList result;
    for (int row = 0; row < m->rowCount(); ++row)
        result << m->item(row)->valueText();
    return result;
}

} // namespace

class RunControlTest : public QObject
{
    Q_OBJECT

private slots:
    void unequalPorts_data();
    void unequalPorts();
    void graphWithoutInputs();
    void noGraph();
    void pauseAndResume();
    void cancelWhileRunning();
    void cancelWhilePaused();
    void loadDuringRunCancels();
    void failingStepDoesNotStopBatch();
    void editedParameters_data();
    void editedParameters();
    void outputNamesFollowPatterns_data();
    void outputNamesFollowPatterns();
    void durationFormat();
};

void RunControlTest::unequalPorts_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("second");
    QTest::addColumn<int>("steps");
    QTest::addColumn<bool>("box");
    QTest::newRow("3 and 5") << 3 << 5 << 3 << true;
    QTest::newRow("5 and 3") << 5 << 3 << 3 << true;
    QTest::newRow("4 and 4") << 4 << 4 << 4 << false;
    QTest::newRow("empty and 3") << 0 << 3 << 0 << true;
    QTest::newRow("both empty") << 0 << 0 << 0 << false;
}

void RunControlTest::unequalPorts()
{
    QFETCH(int, first);
    QFETCH(int, second);
    QFETCH(int, steps);
    QFETCH(bool, box);
    PVorne w;
    QVERIFY(w.loadGraph(example("two_inputs.ogr")));
    fill(w, 0, first);
    fill(w, 1, second);
    BoxAnswerer answerer;
    StdoutTap out;
    runToEnd(w);

    for (int port = 0; port < 3; ++port)
        QCOMPARE(outputs(w, port)->rowCount(), steps);
    QCOMPARE(out.text().count("Executed graph in "), steps);
    if (box)
        QCOMPARE(answerer.texts, QStringList("VORNE|There are different numbers of input items for some ports."));
    else
        QVERIFY(answerer.texts.isEmpty());
    QCOMPARE(child<QTabWidget>(w, "input_output_tabWidget")->currentWidget()->objectName(), QString("output_tab"));
    QCOMPARE(child<QTabWidget>(w, "output_tabWidget")->currentIndex(), 0);
    QVERIFY(child<QWidget>(w, "settings_tab")->isEnabled());
    QVERIFY(child<QWidget>(w, "input_edit_frame")->isEnabled());
}

void RunControlTest::graphWithoutInputs()
{
    PVorne w;
    QVERIFY(loadNoInputsGraph(w));
    runToEnd(w);
    QCOMPARE(outputs(w, 0)->rowCount(), 1);
    QCOMPARE(outputs(w, 0)->item(0)->status(), int(Item::OkStatus));
    QCOMPARE(child<QProgressBar>(w, "run_progressBar")->maximum(), 0);
    QVERIFY(!child<QWidget>(w, "input_edit_frame")->isEnabled());
}

void RunControlTest::noGraph()
{
    PVorne w;
    StdoutTap out;
    runToEnd(w);
    QCOMPARE(out.text().count(">>> GraphExecutor::run()"), 1);
    QCOMPARE(child<QTabWidget>(w, "input_output_tabWidget")->currentWidget()->objectName(), QString("output_tab"));
    // A second batch starts again from idle.
    runToEnd(w);
}

void RunControlTest::pauseAndResume()
{
    PVorne w;
    QVERIFY(w.loadGraph(testGraph("delay.ogr")));
    fill(w, 0, 5);
    auto* run = child<QPushButton>(w, "run_pushButton");
    auto* pause = child<QPushButton>(w, "pause_run_pushButton");
    auto* resume = child<QPushButton>(w, "resume_run_pushButton");
    auto* cancel = child<QPushButton>(w, "cancel_run_pushButton");

    invoke(w, "Run");
    QVERIFY(run->isHidden() && !pause->isHidden() && !cancel->isHidden() && resume->isHidden());
    QVERIFY(pause->isEnabled() && cancel->isEnabled());
    for (const char* name : {"settings_tab", "input_edit_frame", "graph_selection_frame", "graph_parameters_tab"})
        QVERIFY2(!child<QWidget>(w, name)->isEnabled(), name);

    QTRY_COMPARE_WITH_TIMEOUT(executor(w)->runIndex, 1, kRunTimeout);
    QVERIFY(executor(w)->isRunning());
    invoke(w, "pauseRun");
    QVERIFY(!pause->isEnabled() && !cancel->isEnabled());

    // Step 2 completes, then nothing more runs.
    QTRY_VERIFY_WITH_TIMEOUT(!resume->isHidden(), kRunTimeout);
    QVERIFY(pause->isHidden() && resume->isEnabled() && cancel->isEnabled());
    QVERIFY(!executor(w)->isRunning());
    QCOMPARE(outputs(w, 0)->rowCount(), 2);
    QCOMPARE(child<QProgressBar>(w, "run_progressBar")->value(), 2);

    invoke(w, "resumeRun");
    QVERIFY(!pause->isHidden() && resume->isHidden());
    QTRY_VERIFY_WITH_TIMEOUT(idle(w), kRunTimeout);
    QCOMPARE(outputs(w, 0)->rowCount(), 5);
    for (int row = 0; row < 5; ++row)
        QCOMPARE(outputs(w, 0)->item(row)->status(), int(Item::OkStatus));
}

void RunControlTest::cancelWhileRunning()
{
    PVorne w;
    QVERIFY(w.loadGraph(testGraph("delay.ogr")));
    // Long enough that only a working abort ends the step before the test's time limit.
    auto* parameters = child<QTextBrowser>(w, "graph_parameters_textBrowser");
    parameters->setPlainText(parameters->toPlainText().replace(">150<", ">600000<"));
    fill(w, 0, 3);
    StdoutTap out;
    invoke(w, "Run");
    // The abort request counts only once the step has begun.
    QTRY_VERIFY_WITH_TIMEOUT(out.text().contains("Executing graph as"), kRunTimeout);
    invoke(w, "cancel");
    QVERIFY(!child<QPushButton>(w, "cancel_run_pushButton")->isEnabled());
    QVERIFY(!child<QPushButton>(w, "pause_run_pushButton")->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(idle(w), kRunTimeout);
    QCOMPARE(outputs(w, 0)->rowCount(), 0);
    QCOMPARE(out.text().count(">>> GraphExecutor::run()"), 1);
    QVERIFY(out.text().contains("GraphExecutor::run() aborted."));
}

void RunControlTest::cancelWhilePaused()
{
    PVorne w;
    QVERIFY(w.loadGraph(testGraph("delay.ogr")));
    fill(w, 0, 5);
    invoke(w, "Run");
    invoke(w, "pauseRun");
    QTRY_VERIFY_WITH_TIMEOUT(!child<QPushButton>(w, "resume_run_pushButton")->isHidden(), kRunTimeout);
    // Files dropped on an input list of a batch in progress change nothing.
    emit w.findChild<VORNE::FileDropListView*>()->filesDropped(QStringList{image(0)});
    QCOMPARE(inputs(w, 0)->rowCount(), 5);
    QCOMPARE(outputs(w, 0)->rowCount(), 1);
    invoke(w, "cancel");
    QVERIFY(idle(w));
    QCOMPARE(outputs(w, 0)->rowCount(), 1);
    // The run lock is free again: a graph load goes through.
    QVERIFY(w.loadGraph(testGraph("delay.ogr")));
}

void RunControlTest::loadDuringRunCancels()
{
    PVorne w;
    QVERIFY(w.loadGraph(testGraph("delay.ogr")));
    fill(w, 0, 5);
    invoke(w, "Run");
    StderrCapture err;
    QVERIFY(!w.loadGraph(example("count_cells.ogr")));
    const QByteArray text = err.text();
    QVERIFY(text.contains("VORNE is currently running.\nCanceling VORNE ...\n"));
    QTRY_VERIFY_WITH_TIMEOUT(idle(w), kRunTimeout);
    QVERIFY(outputs(w, 0)->rowCount() <= 1);
    QVERIFY(w.loadSelectedGraph());
    QCOMPARE(w.findChild<QTabWidget*>("output_tabWidget")->count(), 2);
}

void RunControlTest::failingStepDoesNotStopBatch()
{
    PVorne w;
    QVERIFY(w.loadGraph(example("count_cells.ogr")));
    inputs(w, 0)->appendItem(new Item(image(0), Item::ImageFileType));
    inputs(w, 0)->appendItem(new Item(source("examples/data/no_such_image.png"), Item::ImageFileType));
    inputs(w, 0)->appendItem(new Item(image(1), Item::ImageFileType));
    runToEnd(w);
    for (int port = 0; port < 2; ++port) {
        const ItemModel* m = outputs(w, port);
        QCOMPARE(m->rowCount(), 3);
        QCOMPARE(m->item(0)->status(), int(Item::OkStatus));
        QVERIFY(m->item(1)->status() != int(Item::OkStatus));
        QVERIFY(!m->item(1)->errorMessage().isEmpty());
        QCOMPARE(m->item(2)->status(), int(Item::OkStatus));
    }
    QCOMPARE(executor(w)->runsFailed, 1);
}

void RunControlTest::editedParameters_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("zeroCounts");
    QTest::addColumn<bool>("complaint");
    QTest::newRow("unchanged") << "" << "" << false << false;
    QTest::newRow("huge min_area") << ">20<" << ">100000000<" << true << false;
    QTest::newRow("unparsable") << "<map>" << "<map" << false << true;
}

void RunControlTest::editedParameters()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(bool, zeroCounts);
    QFETCH(bool, complaint);
    PVorne w;
    QVERIFY(w.loadGraph(example("count_cells.ogr")));
    auto* parameters = child<QTextBrowser>(w, "graph_parameters_textBrowser");
    const QString original = parameters->toPlainText();
    if (!from.isEmpty()) {
        QVERIFY(original.contains(from));
        parameters->setPlainText(QString(original).replace(from, to));
    }
    fill(w, 0, 3);
    StderrCapture err;
    runToEnd(w);
    const QByteArray text = err.text();

    const QStringList counts = values(outputs(w, 1));
    QCOMPARE(counts.size(), 3);
    for (const QString& count : counts)
        QCOMPARE(count == "0", zeroCounts);
    QCOMPARE(text.contains("VORNE: Could not load graph parameters:\nVORNE: "), complaint);
    // The edit stays for the next batch, the graph's own parameters are untouched.
    QCOMPARE(parameters->toPlainText(), from.isEmpty() ? original : QString(original).replace(from, to));
}

void RunControlTest::outputNamesFollowPatterns_data()
{
    QTest::addColumn<bool>("asDefault");
    QTest::newRow("per port") << false;
    QTest::newRow("as default") << true;
}

void RunControlTest::outputNamesFollowPatterns()
{
    QFETCH(bool, asDefault);
    QTemporaryDir dirA, dirB;
    PVorne w;
    QVERIFY(w.loadGraph(example("two_inputs.ogr")));
    fill(w, 0, 2);
    fill(w, 1, 2);
    // Port 0 into A as PNG, port 1 (statistics, not an image) into B.
    auto* patterns = child<QWidget>(w, "output_filename_pattern_widget");
    child<QLineEdit>(*patterns, "directory_lineEdit")->setText(dirA.path());
    child<QLineEdit>(*patterns, "filename_lineEdit")->setText("a_%i0_%o");
    child<QComboBox>(*patterns, "suffix_comboBox")->setCurrentText(".png");
    child<QPushButton>(*patterns, "next_port_pushButton")->click();
    child<QLineEdit>(*patterns, "directory_lineEdit")->setText(dirB.path());
    child<QLineEdit>(*patterns, "filename_lineEdit")->setText("b_%i1_%o");
    child<QComboBox>(*patterns, "suffix_comboBox")->setCurrentText(".tif");
    // Checked on port 1: its entry names the files of every port.
    if (asDefault)
        child<QCheckBox>(*patterns, "as_default_checkBox")->setChecked(true);
    runToEnd(w);

    const QStringList names = values(outputs(w, 0));
    QCOMPARE(names.size(), 2);
    const QString directory = asDefault ? dirB.path() : dirA.path();
    for (int row = 0; row < 2; ++row) {
        const QString base = QFileInfo(image(row)).completeBaseName();
        const QString expected =
            QDir(directory).filePath(asDefault ? QString("b_%1_0.tif").arg(base) : QString("a_%1_0.png").arg(base));
        QCOMPARE(names[row], expected);
        QVERIFY2(QFile::exists(expected), qPrintable(expected));
    }
    QCOMPARE(QDir(asDefault ? dirA.path() : dirB.path()).entryList(QDir::Files).size(), 0);
}

void RunControlTest::durationFormat()
{
    const qint64 ms = ((1 * 60 + 2) * 60 + 3) * 1000 + 4;
    QCOMPARE(VORNE::durationText(ms), QString("3723004ms / 01:02:03.004"));
    QCOMPARE(VORNE::durationText(0), QString("0ms / 00:00:00.000"));
    QCOMPARE(VORNE::durationText(100LL * 3600000 + 59999), QString("360059999ms / 100:00:59.999"));

    PVorne w;
    QVERIFY(loadNoInputsGraph(w));
    StdoutTap out;
    runToEnd(w);
    QVERIFY(QRegularExpression("Executed graph in \\d+ms / \\d\\d:\\d\\d:\\d\\d\\.\\d{3}\n").match(out.text()).hasMatch());
}

QTEST_MAIN(RunControlTest)
#include "test_runcontrol.moc"
