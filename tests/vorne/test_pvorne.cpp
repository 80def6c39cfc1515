#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>
#include <QtTest>

#include <fstream>
#include <sstream>
#include <memory>

#include "items/item.h"
#include "items/itemmodel.h"
#include "kora/serializer.h"
#include "kora/value.h"
#include "mainwindow/pvorne.h"
#include "streamcapture.h"
#include "vornetest.h"

using VORNE::Item;
using VORNE::ItemModel;

Q_DECLARE_METATYPE(VORNE::Item*)

namespace {

// Answers the next modal dialog: a null text cancels it.
void answerNextDialog(const QString& text, QString* title)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, text, title] {
        auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        *title = dialog->windowTitle() + "|" + dialog->labelText();
        if (text.isNull()) {
            dialog->reject();
        } else {
            dialog->setTextValue(text);
            dialog->accept();
        }
        poll->deleteLater();
    });
    poll->start(10);
}

void selectRows(QListView* listView, int first, int last)
{
    listView->selectionModel()->clearSelection();
    const QModelIndex top = listView->model()->index(first, 0);
    const QModelIndex bottom = listView->model()->index(last, 0);
    listView->selectionModel()->select(QItemSelection(top, bottom), QItemSelectionModel::Select);
}

} // namespace

class PVorneTest : public QObject
{
    Q_OBJECT

private slots:
    void exampleGraphs_data();
    void exampleGraphs();
    void hiddenParameters();
    void failedLoad_data();
    void failedLoad();
    void reloadKeepsInputsAndClearsOutputs();
    void addValue_data();
    void addValue();
    void addToMissingPortIsRefused();
    void imageDialogReadsTextLists();
    void textListSlot();
    void moves_data();
    void moves();
    void clipboard();
    void dropFiles();
    void aboutDialog();
};

void PVorneTest::exampleGraphs_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("inputTitles");
    QTest::addColumn<QStringList>("outputTitles");
    QTest::addColumn<QString>("parameter"); // one key the parameter text must show

    QTest::newRow("count_cells") << graph("count_cells.ogr") << QStringList{"Input 0: image (0 items)"}
                                 << QStringList{"Output 0: mask (0 items)", "Output 1: count (0 items)"} << "min_area";
    QTest::newRow("two_inputs") << graph("two_inputs.ogr") << QStringList{"Input 0: a (0 items)", "Input 1: b (0 items)"}
                                << QStringList{"Output 0: blended (0 items)", "Output 1: statistics a (0 items)",
                                               "Output 2: statistics b (0 items)"}
                                << "weight";
    QTest::newRow("smooth.xml") << graph("smooth.xml") << QStringList{"Input 0: image (0 items)"}
                                << QStringList{"Output 0: smoothed (0 items)"} << "sigma";
    QTest::newRow("fails") << graph("fails.ogr") << QStringList{"Input 0: image (0 items)"}
                           << QStringList{"Output 0: never (0 items)"} << "message";
    QTest::newRow("number_and_string") << graph("number_and_string.ogr") << QStringList() << QStringList() << "";
    QTest::newRow("plot_outputs") << graph("plot_outputs.ogr") << QStringList() << QStringList() << "";
}

void PVorneTest::exampleGraphs()
{
    QFETCH(QString, file);
    QFETCH(QStringList, inputTitles);
    QFETCH(QStringList, outputTitles);
    QFETCH(QString, parameter);
    PVorne w;
    QSignalSpy reloaded(&w, &PVorne::reloadedGraph);
    StderrCapture capture;
    QVERIFY(w.loadGraph(file));
    QVERIFY(capture.text().contains("Graph has been reloaded.\n"));
    QCOMPARE(reloaded.count(), 1);
    QVERIFY(w.graphIsLoaded());
    QCOMPARE(child<QLineEdit>(w, "graphname_lineEdit")->text(), file);

    auto* inputTabs = child<QTabWidget>(w, "input_tabWidget");
    auto* outputTabs = child<QTabWidget>(w, "output_tabWidget");
    if (!inputTitles.isEmpty()) {
        QStringList titles;
        for (int i = 0; i < inputTabs->count(); ++i)
            titles << inputTabs->tabText(i);
        QCOMPARE(titles, inputTitles);
        QCOMPARE(inputTabs->tabToolTip(0), inputTitles.first());
        QStringList outTitles;
        for (int i = 0; i < outputTabs->count(); ++i)
            outTitles << outputTabs->tabText(i);
        QCOMPARE(outTitles, outputTitles);
    }
    QCOMPARE(child<QWidget>(w, "input_edit_frame")->isEnabled(), inputTabs->count() > 0);
    QCOMPARE(child<QTabWidget>(w, "input_output_tabWidget")->currentWidget()->objectName(), QString("input_tab"));

    const QString parameters = child<QTextBrowser>(w, "graph_parameters_textBrowser")->toPlainText();
    QVERIFY(!parameters.contains("key=\"__"));
    QVERIFY(!parameters.contains("unused"));
    if (!parameter.isEmpty())
        QVERIFY2(parameters.contains("key=\"" + parameter + "\""), qPrintable(parameters));
}

// A graph whose parameters carry run bookkeeping and an unused entry.
void PVorneTest::hiddenParameters()
{
    QTemporaryDir dir;
    QFile source(graph("smooth.xml"));
    QVERIFY(source.open(QIODevice::ReadOnly));
    const QByteArray xml = source.readAll();
    KORA::CXmlSerializer2 serializer(true, false, nullptr);
    std::unique_ptr<KORA::CValue> description(serializer.Deserialize(xml.constData(), xml.size()));
    KORA::CValue& parameters = description->Entry("parameters");
    parameters.SetEntry("__run_index", new KORA::CValueLong(3));
    parameters.SetEntry("__", new KORA::CValueLong(7));
    auto* spare = new KORA::CValueDouble(1.0);
    spare->Meta().SetEntry("unused", new KORA::CValueBool(true));
    parameters.SetEntry("spare", spare);
    auto* used = new KORA::CValueDouble(2.0);
    used->Meta().SetEntry("unused", new KORA::CValueBool(false));
    parameters.SetEntry("used", used);
    const QString path = dir.filePath("hidden.xml");
    {
        std::ofstream out(path.toStdString());
        serializer.Serialize(*description, out);
    }

    PVorne w;
    QVERIFY(w.loadGraph(path));
    const QString text = child<QTextBrowser>(w, "graph_parameters_textBrowser")->toPlainText();
    QVERIFY2(text.contains("key=\"sigma\""), qPrintable(text));
    QVERIFY(text.contains("key=\"__\""));
    QVERIFY(text.contains("key=\"used\""));
    QVERIFY(!text.contains("__run_index"));
    QVERIFY(!text.contains("spare"));
}

void PVorneTest::failedLoad_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("missing file") << "/no/such/graph.ogr";
    QTest::newRow("not a graph") << source("examples/data/cells.txt");
    QTest::newRow("current graph without host") << "CURRENT GRAPH";
}

void PVorneTest::failedLoad()
{
    QFETCH(QString, file);
    PVorne w;
    QVERIFY(w.loadGraph(graph("two_inputs.ogr")));
    inputs(w, 0)->appendItem(new Item("a.png", Item::ImageFileType));
    StderrCapture capture;
    QVERIFY(!w.loadGraph(file));
    const QByteArray err = capture.text();
    QVERIFY(!w.graphIsLoaded());
    QCOMPARE(child<QTabWidget>(w, "input_tabWidget")->count(), 0);
    QCOMPARE(child<QTabWidget>(w, "output_tabWidget")->count(), 0);
    QVERIFY(!child<QWidget>(w, "input_edit_frame")->isEnabled());
    QCOMPARE(child<QLineEdit>(w, "graphname_lineEdit")->text(), QString());
    QCOMPARE(child<QTextBrowser>(w, "graph_parameters_textBrowser")->toPlainText(), QString());
    if (file == "CURRENT GRAPH") {
        QCOMPARE(err, QByteArray());
        return;
    }
    const QList<QByteArray> lines = err.split('\n');
    QVERIFY2(lines.size() == 3 && lines[2].isEmpty(), err.constData());
    QCOMPARE(lines[0], "VORNE: Could not load graph: '" + file.toUtf8() + "'!");
    QVERIFY(lines[1].startsWith("VORNE: ") && lines[1].size() > 7);
}

void PVorneTest::reloadKeepsInputsAndClearsOutputs()
{
    PVorne w;
    QVERIFY(w.loadGraph(graph("two_inputs.ogr")));
    inputs(w, 0)->appendItem(new Item("a.png", Item::ImageFileType));
    inputs(w, 1)->appendItem(new Item("b.png", Item::ImageFileType));
    inputs(w, 1)->appendItem(new Item("c.png", Item::ImageFileType));
    outputs(w, 2)->appendItem(new Item("out.pgm", Item::ImageFileType));
    QSignalSpy about(&w, &PVorne::aboutToReloadGraph);

    QVERIFY(QMetaObject::invokeMethod(child<QWidget>(w, "reload_graph_pushButton"), "click"));
    QCOMPARE(about.count(), 1);
    QCOMPARE(texts(inputs(w, 0)), QStringList{"a.png"});
    QCOMPARE(texts(inputs(w, 1)), (QStringList{"b.png", "c.png"}));
    QCOMPARE(child<QTabWidget>(w, "input_tabWidget")->tabText(1), QString("Input 1: b (2 items)"));
    QCOMPARE(outputs(w, 2)->rowCount(), 0);
    QCOMPARE(child<QTabWidget>(w, "output_tabWidget")->tabText(2), QString("Output 2: statistics b (0 items)"));

    // A graph with fewer inputs drops the highest ports with their items.
    QPointer<Item> dropped = inputs(w, 1)->item(0);
    QVERIFY(w.loadGraph(graph("count_cells.ogr")));
    QCOMPARE(child<QTabWidget>(w, "input_tabWidget")->count(), 1);
    QCOMPARE(child<QTabWidget>(w, "input_tabWidget")->tabText(0), QString("Input 0: image (1 items)"));
    QVERIFY(dropped.isNull());
}

void PVorneTest::addValue_data()
{
    QTest::addColumn<QString>("slot");
    QTest::addColumn<QString>("answer"); // null: the dialog is cancelled
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("item");   // null: nothing is added
    QTest::addColumn<int>("type");

    const QString none;
    QTest::newRow("long") << "addLongInput" << "42" << "VORNE - Add long input|Long:" << "42" << int(Item::LongType);
    QTest::newRow("long negative") << "addLongInput" << "-7" << "" << "-7" << int(Item::LongType);
    QTest::newRow("long with fraction") << "addLongInput" << "4.5" << "" << none << 0;
    QTest::newRow("long letters") << "addLongInput" << "ten" << "" << none << 0;
    QTest::newRow("long cancelled") << "addLongInput" << none << "" << none << 0;
    QTest::newRow("double exponent") << "addDoubleInput" << "1e3" << "VORNE - Add double input|Double:" << "1e3"
                                     << int(Item::DoubleType);
    QTest::newRow("double letters") << "addDoubleInput" << "abc" << "" << none << 0;
    QTest::newRow("string") << "addStringInput" << "two  words" << "VORNE - Add string input|String:"
                            << "two  words" << int(Item::StringType);
    QTest::newRow("string cancelled") << "addStringInput" << none << "" << none << 0;
    QTest::newRow("bool upper case, blanks") << "addBoolInput" << "  TRUE " << "VORNE - Add bool input|Bool:"
                                             << "true" << int(Item::BoolType);
    QTest::newRow("bool false") << "addBoolInput" << "False" << "" << "false" << int(Item::BoolType);
    QTest::newRow("bool yes") << "addBoolInput" << "yes" << "" << none << 0;
    QTest::newRow("vector") << "addVectorInput" << "[1, 2.5, \"x\"]" << "VORNE - Add vector input|Vector:"
                            << "[1, 2.5, \"x\"]" << int(Item::VectorType);
    QTest::newRow("map is no vector") << "addVectorInput" << "{\"a\": 1}" << "" << none << 0;
    QTest::newRow("vector cancelled") << "addVectorInput" << none << "" << none << 0;
    QTest::newRow("vector that does not parse warns") << "addVectorInput" << "[1, 2" << "" << none << 0;
}

void PVorneTest::addValue()
{
    QFETCH(QString, slot);
    QFETCH(QString, answer);
    QFETCH(QString, dialog);
    QFETCH(QString, item);
    QFETCH(int, type);
    PVorne w;
    QVERIFY(w.loadGraph(graph("two_inputs.ogr")));
    child<QTabWidget>(w, "input_tabWidget")->setCurrentIndex(1);
    outputs(w, 0)->appendItem(new Item("stale.pgm", Item::ImageFileType));

    QString seen;
    answerNextDialog(answer, &seen);
    StreamCapture out(1);
    invoke(w, slot.toLatin1().constData());
    QCOMPARE(out.text().contains("VORNE: warning: a value could not be deserialized\n"), answer == "[1, 2");
    if (!dialog.isEmpty())
        QCOMPARE(seen, dialog);
    QCOMPARE(inputs(w, 0)->rowCount(), 0);
    if (item.isNull()) {
        QCOMPARE(inputs(w, 1)->rowCount(), 0);
        return;
    }
    QCOMPARE(texts(inputs(w, 1)), QStringList{item});
    QCOMPARE(inputs(w, 1)->item(0)->type(), type);
    QCOMPARE(outputs(w, 0)->rowCount(), 0);
    QCOMPARE(child<QTabWidget>(w, "input_tabWidget")->tabText(1), QString("Input 1: b (1 items)"));
    QCOMPARE(child<QTabWidget>(w, "input_tabWidget")->tabText(0), QString("Input 0: a (0 items)"));
}

void PVorneTest::addToMissingPortIsRefused()
{
    PVorne w;
    QVERIFY(w.loadGraph(graph("count_cells.ogr")));
    outputs(w, 1)->appendItem(new Item("7", Item::LongType));
    QPointer<Item> item = new Item("x.png", Item::ImageFileType);
    StderrCapture capture;
    QVERIFY(QMetaObject::invokeMethod(&w, "addInputItem", Q_ARG(VORNE::Item*, item.data()), Q_ARG(int, 3)));
    QCOMPARE(capture.text(), QByteArray("VORNE::PVorne::addInputItem() Could not add item into inputportlist #3\n"));
    QVERIFY(item.isNull());
    QCOMPARE(outputs(w, 1)->rowCount(), 0);
}

// The Add button's file dialog, driven like a user: one text list and one image.
void PVorneTest::imageDialogReadsTextLists()
{
    QTemporaryDir dir;
    writeFile(dir.filePath("list.txt"), "# two cells\n\ncells_1.png\n/abs/cells_2.png\n");
    writeFile(dir.filePath("LIST.TXT"), "not read\n");
    writeFile(dir.filePath("cells_1.png"), "");
    PVorne w;
    QVERIFY(w.loadGraph(graph("count_cells.ogr")));
    for (const QString& chosen : {QString("list.txt"), QString("LIST.TXT")}) {
        QString title;
        QTimer::singleShot(50, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr)
                return;
            title = dialog->windowTitle();
            dialog->setDirectory(dir.path());
            dialog->findChild<QLineEdit*>("fileNameEdit")->setText(dir.filePath(chosen));
            QMetaObject::invokeMethod(dialog, "accept");
            if (dialog->isVisible()) // a refused choice must not leave the test waiting
                dialog->reject();
        });
        invoke(w, "addImageInput");
        QCOMPARE(title, QString("VORNE - Input images"));
    }
    QCOMPARE(texts(inputs(w, 0)),
             (QStringList{dir.filePath("cells_1.png"), "/abs/cells_2.png", dir.filePath("LIST.TXT")}));
    QCOMPARE(inputs(w, 0)->item(2)->type(), int(Item::ImageFileType));
}

void PVorneTest::textListSlot()
{
    QTemporaryDir dir;
    writeFile(dir.filePath("list.txt"), "\n  # comment\nsub/a.png\n");
    PVorne w;
    QVERIFY(w.loadGraph(graph("count_cells.ogr")));
    QVERIFY(QMetaObject::invokeMethod(&w, "addTxtInput", Q_ARG(QString, dir.filePath("list.txt"))));
    QCOMPARE(texts(inputs(w, 0)), QStringList{dir.filePath("sub/a.png")});

    StderrCapture capture;
    QVERIFY(QMetaObject::invokeMethod(&w, "addTxtInput", Q_ARG(QString, dir.filePath("missing.txt"))));
    QCOMPARE(capture.text(), "Could not open file: " + dir.filePath("missing.txt").toUtf8() + "\n");
    QCOMPARE(inputs(w, 0)->rowCount(), 1);
}

void PVorneTest::moves_data()
{
    QTest::addColumn<QString>("slot");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last"); // -1: nothing selected
    QTest::addColumn<QString>("expected");

    QTest::newRow("up block") << "moveInputUp" << 2 << 3 << "ACDBE";
    QTest::newRow("up first row refused") << "moveInputUp" << 0 << 1 << "ABCDE";
    QTest::newRow("up nothing selected") << "moveInputUp" << 0 << -1 << "ABCDE";
    QTest::newRow("down block") << "moveInputDown" << 1 << 2 << "ADBCE";
    QTest::newRow("down single") << "moveInputDown" << 0 << 0 << "BACDE";
    QTest::newRow("down with last row refused") << "moveInputDown" << 3 << 4 << "ABCDE";
    QTest::newRow("delete block") << "deleteInputItems" << 1 << 3 << "AE";
    QTest::newRow("delete nothing selected") << "deleteInputItems" << 0 << -1 << "ABCDE";
}

void PVorneTest::moves()
{
    QFETCH(QString, slot);
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(QString, expected);
    PVorne w;
    QVERIFY(w.loadGraph(graph("count_cells.ogr")));
    for (const QChar letter : QString("ABCDE"))
        inputs(w, 0)->appendItem(new Item(QString(letter), Item::StringType));
    outputs(w, 0)->appendItem(new Item("stale.pgm", Item::ImageFileType));
    if (last >= 0)
        selectRows(view(w, "input_tabWidget", 0), first, last);
    invoke(w, slot.toLatin1().constData());
    QCOMPARE(texts(inputs(w, 0)).join(""), expected);
    // Even a refused move discards the outputs.
    QCOMPARE(outputs(w, 0)->rowCount(), 0);
}

void PVorneTest::clipboard()
{
    PVorne w;
    QVERIFY(w.loadGraph(graph("count_cells.ogr")));
    inputs(w, 0)->appendItem(new Item("one", Item::StringType));
    inputs(w, 0)->appendItem(new Item("[1, 2]", Item::VectorType));
    inputs(w, 0)->appendItem(new Item("three", Item::StringType));
    outputs(w, 1)->appendItem(new Item("12", Item::LongType));
    selectRows(view(w, "input_tabWidget", 0), 0, 1);
    QApplication::clipboard()->setText("before");

    auto* tabs = child<QTabWidget>(w, "input_output_tabWidget");
    tabs->setCurrentIndex(3);
    invoke(w, "itemSelectionToClipboard");
    QCOMPARE(QApplication::clipboard()->text(), QString("before"));

    tabs->setCurrentIndex(1);
    invoke(w, "itemSelectionToClipboard");
    QCOMPARE(QApplication::clipboard()->text(), QString("one\n[1, 2] ..."));

    tabs->setCurrentIndex(2);
    child<QTabWidget>(w, "output_tabWidget")->setCurrentIndex(1);
    selectRows(view(w, "output_tabWidget", 1), 0, 0);
    QKeyEvent copy(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier);
    QApplication::sendEvent(&w, &copy);
    QCOMPARE(QApplication::clipboard()->text(), QString("12"));
}

void PVorneTest::dropFiles()
{
    QTemporaryDir dir;
    writeFile(dir.filePath("a.png"), "");
    writeFile(dir.filePath("list.txt"), "b.png\n#c.png\n");
    PVorne w;
    QVERIFY(w.loadGraph(graph("two_inputs.ogr")));
    w.show();
    // Dropped on port 1's list while port 0's page is current in the code's eyes.
    QListView* target = view(w, "input_tabWidget", 1);

    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(dir.filePath("a.png")), QUrl::fromLocalFile(dir.filePath("list.txt")),
                  QUrl("https://example.org/remote.png"), QUrl::fromLocalFile(dir.path())});
    const QPoint at = target->viewport()->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target->viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target->viewport(), &drop);
    QVERIFY(drop.isAccepted());

    QCOMPARE(texts(inputs(w, 1)), (QStringList{dir.filePath("a.png"), dir.filePath("b.png")}));
    QCOMPARE(inputs(w, 0)->rowCount(), 0);

    QMimeData text;
    text.setText("just text");
    QDragEnterEvent refused(at, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target->viewport(), &refused);
    QVERIFY(!refused.isAccepted());
}

void PVorneTest::aboutDialog()
{
    PVorne w;
    QPointer<QDialog> first;
    QTimer::singleShot(50, [&] {
        first = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        QVERIFY(first);
        QCOMPARE(first->objectName(), QString("AboutDialog"));
        QCOMPARE(first->windowTitle(), QString("About VORNE"));
        const auto label = [&](const char* name) { return first->findChild<QLabel*>(name)->text(); };
        QCOMPARE(label("Version_Label"), QString("unknown"));
        QCOMPARE(label("BinaryPath_Label"), QCoreApplication::applicationFilePath());
        QCOMPARE(label("KORADIR_Label"), qEnvironmentVariable("KORADIR"));
        QVERIFY(QRegularExpression("^[A-Z][a-z]{2} \\d{1,2} \\d{4}$").match(label("BuildDate_Label")).hasMatch());
        QVERIFY(label("TitleLabel").contains("VORNE</span> &mdash; "));
        QVERIFY(label("labelContact").startsWith("<h3>Contact</h3>"));
        QVERIFY(!first->findChild<QLabel*>("LogoLabel")->pixmap(Qt::ReturnByValue).isNull());
        QVERIFY(first->findChild<QWidget*>("ContactFrame")->isVisibleTo(first));
        first->findChild<QPushButton*>("m_OkBtn")->click();
    });
    invoke(w, "showAbout");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(first.isNull());

    // With KORADIR unset the row is empty and the dialog still opens.
    const QByteArray koradir = qgetenv("KORADIR");
    qunsetenv("KORADIR");
    QString shown = "not shown";
    QTimer::singleShot(50, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog && dialog != first);
        shown = dialog->findChild<QLabel*>("KORADIR_Label")->text();
        dialog->reject();
    });
    invoke(w, "showAbout");
    qputenv("KORADIR", koradir);
    QCOMPARE(shown, QString());
}

QTEST_MAIN(PVorneTest)
#include "test_pvorne.moc"
