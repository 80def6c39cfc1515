#include "kora/formatregistry.h"
#include "mainwindow/filefilters.h"
#include "mainwindow/messagebanner.h"
#include "streamcapture.h"
#include "vornetest.h"

using VORNE::Item;
using VORNE::ItemModel;

Q_DECLARE_METATYPE(VORNE::Item*)

namespace {

// Answers the next modal dialog: a null text cancels it.
void answerNextDialog(const QString& text)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, text] {
        auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
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

// Selects the rows one by one, so the selection lists them in this order.
void selectRows(QListView* listView, const QList<int>& rows)
{
    listView->selectionModel()->clearSelection();
    for (const int row : rows)
        listView->selectionModel()->select(listView->model()->index(row, 0), QItemSelectionModel::Select);
}

} // namespace

enum class ListVia { Slot, Drop };
Q_DECLARE_METATYPE(ListVia)

class PVorneTest : public QObject
{
    Q_OBJECT

private slots:
    // Every extension the dialogs offer is one the format registry reads; formats added later come in
    // through "All Files (*.*)".
    void fileFiltersNameReadableFormats()
    {
        const QRegularExpression pattern(QStringLiteral("\\*(\\.[^ )]+)"));
        for (const char* filter : {VORNE::kImageFileFilter, VORNE::kTextListFilter}) {
            QRegularExpressionMatchIterator matches = pattern.globalMatch(QLatin1String(filter));
            while (matches.hasNext()) {
                const QString extension = matches.next().captured(1);
                const KORA::StFileFormat* format = KORA::CFormatRegistry::Find(("file" + extension).toStdString());
                QVERIFY2(extension == QLatin1String(".*") || (format && extension == QLatin1String(format->extension)),
                         qPrintable(extension));
            }
        }
    }

    // Each example graph, and files that do not load, after a graph with pages was loaded.
    void loadGraph_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("titles"); // the input pages, then the output pages
        QTest::addColumn<QString>("parameter");  // one key the parameter text must show; null: the load fails

        const auto pages = [](const QString& kind, QStringList names) {
            for (int i = 0; i < names.size(); ++i)
                names[i] = QString("%1 %2: %3 (0 items)").arg(kind).arg(i).arg(names[i]);
            return names;
        };
        const QStringList image = pages("Input", {"image"});
        QTest::newRow("count_cells") << graph("count_cells.ogr") << image + pages("Output", {"mask", "count"}) << "min_area";
        QTest::newRow("two_inputs") << graph("two_inputs.ogr") << pages("Input", {"a", "b"}) +
                                           pages("Output", {"blended", "statistics a", "statistics b"}) << "weight";
        QTest::newRow("smooth.xml") << graph("smooth.xml") << image + pages("Output", {"smoothed"}) << "sigma";
        QTest::newRow("missing file") << "/no/such/graph.ogr" << QStringList() << QString();
        QTest::newRow("not a graph") << source("examples/data/cells.txt") << QStringList() << QString();
        QTest::newRow("undeclared parameter") << source("tests/data/convert_typo.ogr") << QStringList() << QString();
        QTest::newRow("current graph without host") << "CURRENT GRAPH" << QStringList() << QString();
    }

    void loadGraph()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, titles);
        QFETCH(QString, parameter);
        const bool loads = !parameter.isNull();
        PVorne w;
        QVERIFY(w.loadGraph(graph("two_inputs.ogr")));
        QSignalSpy reloaded(&w, &PVorne::reloadedGraph);
        StderrCapture capture;
        QCOMPARE(w.loadGraph(file), loads);
        const QByteArray err = capture.text();
        QCOMPARE(w.graphIsLoaded(), loads);
        QCOMPARE(reloaded.count(), loads ? 1 : 0);
        QCOMPARE(child<QLineEdit>(w, "graphname_lineEdit")->text(), loads ? file : QString());

        auto* inputTabs = child<QTabWidget>(w, "input_tabWidget");
        QStringList shown;
        for (auto* tabs : {inputTabs, child<QTabWidget>(w, "output_tabWidget")})
            for (int i = 0; i < tabs->count(); ++i)
                shown << tabs->tabText(i);
        QCOMPARE(shown, titles);
        if (!titles.isEmpty())
            QCOMPARE(inputTabs->tabToolTip(0), titles.first());
        QCOMPARE(child<QWidget>(w, "input_edit_frame")->isEnabled(), inputTabs->count() > 0);
        QCOMPARE(child<QTabWidget>(w, "input_output_tabWidget")->currentWidget()->objectName(), QString("input_tab"));

        const QString parameters = child<QTextBrowser>(w, "graph_parameters_textBrowser")->toPlainText();
        QCOMPARE(parameters.isEmpty(), !loads);
        QVERIFY2(parameters.contains("key=\"" + parameter + "\"") == !parameter.isEmpty(), qPrintable(parameters));
        if (loads)
            QVERIFY(err.contains("Graph has been reloaded.\n"));
        else if (file != "CURRENT GRAPH")
            QVERIFY2(err.startsWith("VORNE: Could not load graph: '" + file.toUtf8() + "'!\nVORNE: "), err.constData());
        // The field is emptied; the message keeps the path and the reason, and Retry loads that path again.
        auto* banner = w.findChild<VORNE::MessageBanner*>();
        const QString message = banner->text("graph");
        QCOMPARE(message.isNull(), loads);
        if (!loads) {
            QVERIFY2(message.contains("'" + file + "'") && message.endsWith(w.graphLoadError()), qPrintable(message));
            if (file.endsWith("convert_typo.ogr"))
                QVERIFY2(message.contains("did you mean 'to'?"), qPrintable(message));
            banner->findChild<QPushButton*>("action")->click();
            QCOMPARE(banner->text("graph"), message);
        }
    }

    // A graph whose parameters carry run bookkeeping and an unused entry.
    void hiddenParameters()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("hidden.xml");
        writeFile(path, readFile(graph("smooth.xml")).replace("<double key=\"sigma\">1.5</double>",
            "<double key=\"sigma\">1.5</double><long key=\"__run_index\">3</long><long key=\"__\">7</long>"
            "<double key=\"spare\"><meta><bool key=\"unused\">true</bool></meta>1.0</double>"
            "<double key=\"used\"><meta><bool key=\"unused\">false</bool></meta>2.0</double>"));
        PVorne w;
        QVERIFY(w.loadGraph(path));
        const QString text = child<QTextBrowser>(w, "graph_parameters_textBrowser")->toPlainText();
        QVERIFY2(text.contains("key=\"sigma\"") && text.contains("key=\"__\"") && text.contains("key=\"used\""),
                 qPrintable(text));
        QVERIFY(!text.contains("__run_index") && !text.contains("spare"));
    }

    void reloadKeepsInputsAndClearsOutputs()
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

    void addValue_data()
    {
        QTest::addColumn<QString>("slot");
        QTest::addColumn<QString>("answer"); // null: the dialog is cancelled
        QTest::addColumn<QString>("item");   // null: nothing is added
        QTest::addColumn<int>("type");

        const QString none;
        QTest::newRow("long") << "addLongInput" << "42" << "42" << int(Item::LongType);
        QTest::newRow("long beyond 32 bits") << "addLongInput" << "3000000000" << none << 0;
        QTest::newRow("double exponent") << "addDoubleInput" << "1e3" << "1e3" << int(Item::DoubleType);
        QTest::newRow("double letters") << "addDoubleInput" << "abc" << none << 0;
        QTest::newRow("string") << "addStringInput" << "two  words" << "two  words" << int(Item::StringType);
        QTest::newRow("bool upper case, blanks") << "addBoolInput" << "  TRUE " << "true" << int(Item::BoolType);
        QTest::newRow("bool false") << "addBoolInput" << "False" << "false" << int(Item::BoolType);
        QTest::newRow("bool yes") << "addBoolInput" << "yes" << none << 0;
        QTest::newRow("vector") << "addVectorInput" << "[1, 2.5, \"x\"]" << "[1, 2.5, \"x\"]" << int(Item::VectorType);
        QTest::newRow("map is no vector") << "addVectorInput" << "{\"a\": 1}" << none << 0;
        QTest::newRow("vector cancelled") << "addVectorInput" << none << none << 0;
        QTest::newRow("vector that does not parse warns") << "addVectorInput" << "[1, 2" << none << 0;
    }

    void addValue()
    {
        QFETCH(QString, slot);
        QFETCH(QString, answer);
        QFETCH(QString, item);
        QFETCH(int, type);
        PVorne w;
        QVERIFY(w.loadGraph(graph("two_inputs.ogr")));
        child<QTabWidget>(w, "input_tabWidget")->setCurrentIndex(1);
        outputs(w, 0)->appendItem(new Item("stale.pgm", Item::ImageFileType));

        answerNextDialog(answer);
        StreamCapture out(1);
        invoke(w, slot.toLatin1().constData());
        QCOMPARE(out.text().contains("VORNE: warning: a value could not be deserialized\n"), answer == "[1, 2");
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

    void addToMissingPortIsRefused()
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

    // A text list reaches the first port through the slot, and the second port when dropped on its list while
    // the first port's page is current.
    void textLists_data()
    {
        QTest::addColumn<ListVia>("via");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content"); // null: the file does not exist
        QTest::addColumn<QStringList>("items");  // "%1" is the list's directory
        QTest::addColumn<QString>("error");

        QTest::newRow("slot: indented comment, sub-directory") << ListVia::Slot << "list.txt"
            << QByteArray("\n  # comment\nsub/a.png\n") << QStringList{"%1/sub/a.png"} << "";
        QTest::newRow("slot: missing list") << ListVia::Slot << "missing.txt" << QByteArray() << QStringList()
                                            << "Could not open file: %1/missing.txt\n";
        // An upper-case extension is an image: only a list's own lower-case extension makes it a list.
        QTest::newRow("drop: images, a list, a remote file, a directory") << ListVia::Drop << "list.txt"
            << QByteArray("b.png\n#c.png\n") << QStringList{"%1/a.png", "%1/LIST.TXT", "%1/b.png"} << "";
    }

    void textLists()
    {
        QFETCH(ListVia, via);
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(QStringList, items);
        QFETCH(QString, error);
        QTemporaryDir dir;
        if (!content.isNull())
            writeFile(dir.filePath(file), content);
        PVorne w;
        QVERIFY(w.loadGraph(graph("two_inputs.ogr")));
        w.show();
        const int port = via == ListVia::Drop ? 1 : 0;
        StderrCapture capture;
        if (via == ListVia::Slot) {
            QVERIFY(QMetaObject::invokeMethod(&w, "addTxtInput", Q_ARG(QString, dir.filePath(file))));
        } else {
            writeFile(dir.filePath("a.png"), "");
            writeFile(dir.filePath("LIST.TXT"), "not read\n");
            QWidget* target = view(w, "input_tabWidget", port)->viewport();
            const QPoint at = target->rect().center();
            QMimeData mime, text;
            mime.setUrls({QUrl::fromLocalFile(dir.filePath("a.png")), QUrl::fromLocalFile(dir.filePath("LIST.TXT")),
                          QUrl::fromLocalFile(dir.filePath(file)),
                          QUrl("https://example.org/remote.png"), QUrl::fromLocalFile(dir.path())});
            text.setText("just text");
            QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QDragEnterEvent refused(at, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
            QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
            for (QEvent* event : std::initializer_list<QEvent*>{&enter, &drop, &refused})
                QApplication::sendEvent(target, event);
            QVERIFY(enter.isAccepted() && drop.isAccepted() && !refused.isAccepted());
        }
        const QByteArray err = capture.text();
        if (via == ListVia::Slot)
            QCOMPARE(QString::fromUtf8(err), QString(error).replace("%1", dir.path()));
        QCOMPARE(texts(inputs(w, 1 - port)), QStringList());
        QCOMPARE(texts(inputs(w, port)), items.replaceInStrings("%1", dir.path()));
        for (int row = 0; row < items.size(); ++row)
            QCOMPARE(inputs(w, port)->item(row)->type(), int(Item::ImageFileType));
    }

    void moves_data()
    {
        QTest::addColumn<QString>("slot");
        QTest::addColumn<QList<int>>("selection");
        QTest::addColumn<QString>("expected");

        QTest::newRow("up block") << "moveInputUp" << QList<int>{2, 3} << "ACDBE";
        QTest::newRow("up first row refused") << "moveInputUp" << QList<int>{0, 1} << "ABCDE";
        QTest::newRow("down block") << "moveInputDown" << QList<int>{1, 2} << "ADBCE";
        // Walked from the end of the list as selected, not by row: 2 moves, then 4 (the last row) stops it.
        QTest::newRow("down stops at the last row") << "moveInputDown" << QList<int>{0, 4, 2} << "ABDCE";
        QTest::newRow("delete block") << "deleteInputItems" << QList<int>{1, 2, 3} << "AE";
        QTest::newRow("delete nothing selected") << "deleteInputItems" << QList<int>{} << "ABCDE";
    }

    void moves()
    {
        QFETCH(QString, slot);
        QFETCH(QList<int>, selection);
        QFETCH(QString, expected);
        PVorne w;
        QVERIFY(w.loadGraph(graph("count_cells.ogr")));
        for (const QChar letter : QString("ABCDE"))
            inputs(w, 0)->appendItem(new Item(QString(letter), Item::StringType));
        outputs(w, 0)->appendItem(new Item("stale.pgm", Item::ImageFileType));
        selectRows(view(w, "input_tabWidget", 0), selection);
        invoke(w, slot.toLatin1().constData());
        QCOMPARE(texts(inputs(w, 0)).join(""), expected);
        // Even a refused move discards the outputs.
        QCOMPARE(outputs(w, 0)->rowCount(), 0);
    }

    void clipboard()
    {
        PVorne w;
        QVERIFY(w.loadGraph(graph("count_cells.ogr")));
        inputs(w, 0)->appendItem(new Item("one", Item::StringType));
        inputs(w, 0)->appendItem(new Item("[1, 2]", Item::VectorType));
        inputs(w, 0)->appendItem(new Item("three", Item::StringType));
        outputs(w, 1)->appendItem(new Item("12", Item::LongType));
        selectRows(view(w, "input_tabWidget", 0), {0, 1});
        QApplication::clipboard()->setText("before");

        auto* tabs = child<QTabWidget>(w, "input_output_tabWidget");
        tabs->setCurrentIndex(3);
        invoke(w, "itemSelectionToClipboard");
        QCOMPARE(QApplication::clipboard()->text(), QString("before"));

        tabs->setCurrentIndex(2);
        child<QTabWidget>(w, "output_tabWidget")->setCurrentIndex(1);
        selectRows(view(w, "output_tabWidget", 1), {0});
        invoke(w, "itemSelectionToClipboard");
        QCOMPARE(QApplication::clipboard()->text(), QString("12"));

        // The key as a user presses it: in the list that has the focus, with the whole selection copied.
        tabs->setCurrentIndex(1);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QListView* list = view(w, "input_tabWidget", 0);
        list->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), list);
        QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QString("one\n[1, 2] ..."));
    }
};

QTEST_MAIN(PVorneTest)
#include "test_pvorne.moc"
