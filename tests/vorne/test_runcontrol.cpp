// Real batch runs of example graphs, driven through the run buttons' slots; every wait is on a condition,
// never a fixed sleep.

#include "executor/graphexecutor.h"
#include "mainwindow/filedroplistview.h"
#include "mainwindow/messagebanner.h"
#include "streamcapture.h"
#include "vornetest.h"

using VORNE::Item;
using VORNE::ItemModel;

namespace {

QString image(int n) { return source(QString("examples/data/cells_%1.png").arg(n % 4 + 1)); }

// A graph window with `counts[i]` example images on input port i.
void open(PVorne& w, const QString& graph, const QList<int>& counts = {})
{
    QVERIFY(w.loadGraph(source(graph)));
    for (int port = 0; port < counts.size(); ++port)
        for (int n = 0; n < counts[port]; ++n)
            inputs(w, port)->appendItem(new Item(image(n), Item::ImageFileType));
}

void editParameters(PVorne& w, const QString& from, const QString& to)
{
    auto* text = child<QTextBrowser>(w, "graph_parameters_textBrowser");
    QVERIFY(text->toPlainText().contains(from));
    text->setPlainText(text->toPlainText().replace(from, to));
}

QPushButton* button(PVorne& w, const char* name) { return child<QPushButton>(w, name); }

} // namespace

class RunControlTest : public QObject
{
    Q_OBJECT

private slots:
    void unequalPorts_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        QTest::addColumn<int>("steps");
        QTest::addColumn<bool>("box");
        QTest::newRow("3 and 5") << 3 << 5 << 3 << true;
        QTest::newRow("4 and 4") << 4 << 4 << 4 << false;
        QTest::newRow("empty and 3") << 0 << 3 << 0 << true;
        QTest::newRow("1 and 2") << 1 << 2 << 1 << true;
    }

    void unequalPorts()
    {
        QFETCH(int, first);
        QFETCH(int, second);
        QFETCH(int, steps);
        QFETCH(bool, box);
        PVorne w;
        open(w, "examples/graphs/two_inputs.ogr", {first, second});
        QStringList boxes;
        QString counts;
        QTimer answer;
        connect(&answer, &QTimer::timeout, [&] {
            if (auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                boxes << shown->windowTitle() + "|" + shown->text();
                counts = shown->informativeText();
                shown->accept();
            }
        });
        answer.start(10);
        runToEnd(w);

        for (int port = 0; port < 3; ++port)
            QCOMPARE(outputs(w, port)->rowCount(), steps);
        QCOMPARE(boxes, box ? QStringList("VORNE|There are different numbers of input items for some ports.") : QStringList());
        const auto count = [](int n) { return n == 1 ? QString(": 1 item") : QString(": %1 items").arg(n); };
        QVERIFY2(!box || (counts.startsWith("Input 0") && counts.contains(count(first) + "\nInput 1") &&
                          counts.endsWith(count(second))), qPrintable(counts));
        QCOMPARE(child<QTabWidget>(w, "input_output_tabWidget")->currentWidget()->objectName(), QString("output_tab"));
        QCOMPARE(child<QTabWidget>(w, "output_tabWidget")->currentIndex(), 0);
        for (const char* name : {"settings_tab", "input_edit_frame", "graph_selection_frame", "graph_parameters_tab"})
            QVERIFY2(child<QWidget>(w, name)->isEnabled(), name);
    }

    // Five inputs of which the first and the last share a name: the Run button asks before two steps would
    // write one file, and runs only when told to; a host's Run() never asks.
    void collidingOutputNamesAskFirst()
    {
        for (const QString answer : {"Cancel", "Run anyway"}) {
            PVorne w;
            open(w, "examples/graphs/count_cells.ogr", {5});
            QStringList asked;
            QTimer reply;
            connect(&reply, &QTimer::timeout, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (!box || box->objectName() != "collision_messageBox")
                    return;
                asked << box->informativeText();
                for (QAbstractButton* option : box->buttons())
                    if (option->text().remove('&') == answer)
                        option->click();
            });
            reply.start(10);
            button(w, "run_pushButton")->click();
            QTRY_VERIFY_WITH_TIMEOUT(idle(w), 60000);
            QCOMPARE(asked.size(), 1);
            QVERIFY2(asked.first().contains("%n"), qPrintable(asked.first()));
            QCOMPARE(outputs(w, 0)->rowCount(), answer == "Cancel" ? 0 : 5);

            runToEnd(w);
            QCOMPARE(asked.size(), 1);
            QCOMPARE(outputs(w, 0)->rowCount(), 5);
        }
    }

    void graphWithoutInputsAndNoGraph()
    {
        QCOMPARE(VORNE::durationText(((1 * 60 + 2) * 60 + 3) * 1000 + 4), QString("3723004ms / 01:02:03.004"));

        PVorne w;
        open(w, "tests/vorne/graphs/no_inputs.ogr");
        editParameters(w, "tests/vorne/graphs/tiny.asc", source("tests/vorne/graphs/tiny.asc"));
        runToEnd(w);
        QCOMPARE(outputs(w, 0)->rowCount(), 1);
        QCOMPARE(outputs(w, 0)->item(0)->status(), int(Item::OkStatus));
        QCOMPARE(child<QProgressBar>(w, "run_progressBar")->maximum(), 0);

        // Without a graph the one step executes nothing; the run still completes and can be repeated.
        PVorne empty;
        runToEnd(empty);
        runToEnd(empty);
        QCOMPARE(child<QTabWidget>(empty, "input_output_tabWidget")->currentWidget()->objectName(), QString("output_tab"));
    }

    void pauseResumeAndCancel()
    {
        PVorne w;
        open(w, "tests/vorne/graphs/delay.ogr", {5});
        auto* pause = button(w, "pause_run_pushButton");
        auto* resume = button(w, "resume_run_pushButton");
        auto* cancel = button(w, "cancel_run_pushButton");
        invoke(w, "Run");
        QVERIFY(button(w, "run_pushButton")->isHidden() && !pause->isHidden() && !cancel->isHidden() && resume->isHidden());
        for (const char* name : {"settings_tab", "input_edit_frame", "graph_selection_frame", "graph_parameters_tab"})
            QVERIFY2(!child<QWidget>(w, name)->isEnabled(), name);

        QTRY_COMPARE_WITH_TIMEOUT(w.findChild<VORNE::GraphExecutor*>()->runIndex, 1, 60000);
        invoke(w, "pauseRun");
        QVERIFY(!pause->isEnabled() && !cancel->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!resume->isHidden(), 60000); // step 2 finishes, nothing more starts
        QVERIFY(pause->isHidden() && resume->isEnabled() && cancel->isEnabled());
        QCOMPARE(outputs(w, 0)->rowCount(), 2);
        QCOMPARE(child<QProgressBar>(w, "run_progressBar")->value(), 2);

        invoke(w, "resumeRun");
        QVERIFY(!pause->isHidden() && resume->isHidden());
        QTRY_VERIFY_WITH_TIMEOUT(idle(w), 60000);
        QCOMPARE(outputs(w, 0)->rowCount(), 5);

        // Cancelled while paused the batch ends at once; files dropped meanwhile change nothing.
        invoke(w, "Run");
        invoke(w, "pauseRun");
        QTRY_VERIFY_WITH_TIMEOUT(!resume->isHidden(), 60000);
        emit w.findChild<VORNE::FileDropListView*>()->filesDropped({image(0)});
        QCOMPARE(inputs(w, 0)->rowCount(), 5);
        invoke(w, "cancel");
        QVERIFY(idle(w));
        QCOMPARE(outputs(w, 0)->rowCount(), 1);
        QVERIFY(w.loadSelectedGraph()); // the run lock is free again
    }

    void cancelWhileRunning()
    {
        PVorne w;
        open(w, "tests/vorne/graphs/delay.ogr", {3});
        editParameters(w, ">150<", ">600000<"); // only a working abort ends this step within the time limit
        invoke(w, "Run");
        invoke(w, "cancel");
        QVERIFY(!button(w, "cancel_run_pushButton")->isEnabled() && !button(w, "pause_run_pushButton")->isEnabled());
        // Pressed before the step's thread has begun: one press must still end the step.
        QTRY_VERIFY_WITH_TIMEOUT(idle(w), 60000);
        QCOMPARE(outputs(w, 0)->rowCount(), 0);
    }

    void editedParameters_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<bool>("zeroCounts");
        QTest::addColumn<QStringList>("message"); // parts of the message area's word; empty: none
        QTest::newRow("huge min_area") << ">20<" << ">100000000<" << true << QStringList();
        QTest::newRow("unparsable") << "<map>" << "<map" << false
                                    << QStringList{"line 3, column 3", "This run uses the graph's own parameters."};
        QTest::newRow("misspelt key") << "\"min_area\"" << "\"min_aera\"" << false
                                      << QStringList{"unknown parameter 'min_aera'; did you mean 'min_area'?"};
    }

    void editedParameters()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(bool, zeroCounts);
        QFETCH(QStringList, message);
        PVorne w;
        open(w, "examples/graphs/count_cells.ogr", {3});
        editParameters(w, from, to);
        StderrCapture err;
        runToEnd(w);
        const QStringList counts = texts(outputs(w, 1));
        QCOMPARE(counts.size(), 3);
        for (const QString& count : counts)
            QCOMPARE(count == "0", zeroCounts);
        QCOMPARE(err.text().contains("VORNE: Could not load graph parameters:\nVORNE: "), to == "<map");
        const QString shown = w.findChild<VORNE::MessageBanner*>()->text("parameters");
        QCOMPARE(shown.isNull(), message.isEmpty());
        for (const QString& part : message)
            QVERIFY2(shown.contains(part), qPrintable(shown));
    }

    // The message area after a batch: failed steps, outputs that could not be saved, inputs that could not be
    // read. Every row runs two steps.
    void batchEndMessage_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<bool>("emptyInput"); // the second input is an empty file
        QTest::addColumn<QString>("message"); // its start (%1: the empty file); null: no message
        const QString blur = "examples/graphs/blur_otsu.ogr", wide = "tests/vorne/graphs/sixteen_bit.ogr";
        QTest::newRow("all saved") << blur << ".png" << false << QString();
        QTest::newRow("steps fail") << "examples/graphs/fails.ogr" << ".png" << false
                                    << "2 of 2 steps failed \u2014 see the Output tab.\n2 steps: ";
        QTest::newRow("16 bits as jpg") << wide << ".jpg" << false
                                        << "2 of 2 steps failed, 2 outputs could not be saved \u2014 see the Output tab."
                                           "\n2 steps: Could not save the output:";
        QTest::newRow("unreadable input") << blur << ".png" << true
                                          << "1 of 2 steps failed \u2014 see the Output tab.\n"
                                             "cannot read input 0 'image' from '%1': ";
        // A folder that does not exist: said when Run is pressed, neither refused nor created.
        QTest::newRow("missing folder") << blur << "missing" << false
                                        << "2 of 2 steps failed, 2 outputs could not be saved \u2014 see the Output tab."
                                           "\n2 steps: Could not save the output:";
    }

    // A closed message stays closed while its subject stays; another graph takes its parameter warning away.
    void messageLifetimes()
    {
        PVorne w;
        open(w, "examples/graphs/blur_otsu.ogr", {1});
        auto* banner = w.findChild<VORNE::MessageBanner*>();
        const auto close = [banner](const char* topic) {
            banner->findChild<QWidget*>(QString("message_") + topic)->findChild<QToolButton*>("close")->click();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        };
        banner->post("batch", VORNE::MessageBanner::Error, "one");
        close("batch");
        banner->post("batch", VORNE::MessageBanner::Error, "one");
        QVERIFY(banner->text("batch").isNull());
        banner->post("batch", VORNE::MessageBanner::Error, "two");
        QCOMPARE(banner->text("batch"), QString("two"));
        banner->post("parameters", VORNE::MessageBanner::Warning, "no such parameter");
        QVERIFY(w.loadGraph(graph("count_cells.ogr")));
        QCOMPARE(banner->topics(), QStringList());
    }

    void batchEndMessage()
    {
        QFETCH(QString, file);
        QFETCH(QString, suffix);
        QFETCH(bool, emptyInput);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString empty = dir.filePath("empty.png");
        writeFile(empty, QByteArray());
        PVorne w;
        open(w, file, {2});
        if (emptyInput)
            inputs(w, 0)->item(1)->setValue(empty, Item::ImageFileType);
        auto* patterns = child<QWidget>(w, "output_filename_pattern_widget");
        const QString folder = suffix == "missing" ? dir.filePath("missing") : dir.path();
        child<QLineEdit>(*patterns, "directory_lineEdit")->setText(folder);
        child<QComboBox>(*patterns, "suffix_comboBox")->setCurrentText(suffix == "missing" ? ".png" : suffix);
        auto* banner = w.findChild<VORNE::MessageBanner*>();
        invoke(w, "Run");
        QCOMPARE(banner->text("folders").contains(folder), suffix == "missing");
        QVERIFY(!QFileInfo::exists(dir.filePath("missing")));
        QTRY_VERIFY_WITH_TIMEOUT(idle(w), 60000);
        const QString shown = banner->text("batch");
        QVERIFY2(message.isNull() ? shown.isNull() : shown.startsWith(QString(message).replace("%1", empty)), qPrintable(shown));
        QCOMPARE(outputs(w, 0)->item(1)->data(Item::InputErrorRole).isNull(), !emptyInput);
        // The next run's Run takes the summary away.
        invoke(w, "Run");
        QVERIFY(banner->text("batch").isNull());
        QTRY_VERIFY_WITH_TIMEOUT(idle(w), 60000);
    }

    // A host loads another graph during a run: the run is cancelled and the load refused as before, the message
    // area offers the reload, and no run starts under the new path before it.
    void graphChangeDuringRun()
    {
        PVorne w;
        open(w, "tests/vorne/graphs/delay.ogr", {3});
        invoke(w, "Run");
        const QString next = source("examples/graphs/count_cells.ogr");
        StderrCapture err;
        QVERIFY(!w.loadGraph(next));
        QVERIFY(err.text().contains("VORNE is currently running.\nCanceling VORNE ...\n"));
        QTRY_VERIFY_WITH_TIMEOUT(idle(w), 60000);
        auto* banner = w.findChild<VORNE::MessageBanner*>();
        QVERIFY(banner->text("graph").contains("'" + next + "'"));
        invoke(w, "Run");
        QVERIFY(idle(w));
        banner->findChild<QPushButton*>("action")->click();
        QVERIFY(w.graphIsLoaded() && banner->text("graph").isNull());
        QCOMPARE(child<QTabWidget>(w, "output_tabWidget")->count(), 2); // count_cells' pages
    }

    void closeDuringRunAsks()
    {
        PVorne w;
        w.show();
        open(w, "tests/vorne/graphs/delay.ogr", {3});
        editParameters(w, ">150<", ">600000<");
        invoke(w, "Run");
        QString answer = "Keep running";
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                for (QAbstractButton* choice : box->buttons())
                    if (choice->text() == answer)
                        choice->click();
        });
        poll.start(10);
        QVERIFY(!w.close());
        QVERIFY(w.isVisible() && !idle(w));
        answer = "Cancel the run and close";
        QVERIFY(w.close());
        QTRY_VERIFY_WITH_TIMEOUT(idle(w), 60000);
    }
};

QTEST_MAIN(RunControlTest)
#include "test_runcontrol.moc"
