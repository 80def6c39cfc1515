#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "executor/graphexecutor.h"
#include "items/item.h"
#include "items/itemmodel.h"
#include "kora/kora.h"
#include "ostrel/ostrel.h"
#include "streamcapture.h"
#include "coretest.h"

using namespace VORNE;

namespace {

std::unique_ptr<OstrelGraph::Graph> loadGraph(const QString& path)
{
    return std::unique_ptr<OstrelGraph::Graph>(OstrelGraph::Graph::LoadFromFile(path.toLocal8Bit().constData()));
}

// One execution, waited for on the thread's own finished(). An abort is asked for again and again until the
// thread ends: run() clears a request that arrives before it begins.
bool execute(GraphExecutor& executor, bool abort = false, const std::function<void()>& whileRunning = {})
{
    QSignalSpy finished(&executor, &QThread::finished);
    QTimer repeat;
    QObject::connect(&repeat, &QTimer::timeout, &executor, &GraphExecutor::abort);
    executor.start();
    if (whileRunning)
        whileRunning();
    if (abort)
        repeat.start(5);
    if (finished.isEmpty())
        finished.wait(120000);
    executor.wait();
    return finished.count() == 1;
}

// One input, held as long as "ms" says.
const char* const kDelayGraph = "tests/vorne/graphs/delay.ogr";

KORA::CValueMap* parameters(const char* key, KORA::CValue* value)
{
    auto* map = new KORA::CValueMap();
    map->SetEntry(key, value);
    return map;
}

} // namespace

class GraphExecutorTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { KORA::VexInit(-1); }
    void batchWithOneBadInput();
    void graphsAndInputs_data();
    void graphsAndInputs();
    void imageHandlesAndForeignPointers();
    void abortDuringDelayAndDetaching();
    void unknownExecutorKind();
    void cpgraphKind_data();
    void cpgraphKind();
    void settersRefusedWhileRunning();
    void noThreadOutlivesTheExecutor();
};

void GraphExecutorTest::batchWithOneBadInput()
{
    QTemporaryDir data, out;
    const QString truncated = data.filePath("cells_bad.png");
    writeFile(truncated, readFile(source("examples/data/cells_2.png")).left(120));
    ItemModel inputs(ItemModel::InputModel, 0), results(ItemModel::OutputModel, 0);
    for (const QString& path : {source("examples/data/cells_1.png"), truncated, source("examples/data/cells_3.png")})
        inputs.appendItem(new Item(path, Item::ImageFileType));

    const QString graphPath = source("examples/graphs/count_cells.ogr");
    auto graph = loadGraph(graphPath);
    QObject owner;
    GraphExecutor executor(&owner);
    executor.setMaxThreads(2);
    executor.setGraphPath(graphPath);
    executor.setGraph(graph.get());
    executor.setOutputNames({{out.path(), "%i0_%o", ".pxm"}});
    executor.runsTotal = 3;
    executor.runsFailed = 0;
    for (int k = 0; k < 3; ++k) {
        executor.runIndex = k;
        executor.setInputItems({inputs.item(k)});
        QVERIFY(execute(executor));
        const KORA::CValueMap& published = graph->Parameters();
        QCOMPARE(published.EntryLong("__parent/parameters/runs_failed", -1), k == 2 ? 1 : 0); // before this run
        QCOMPARE(published.EntryLong("__parent/parameters/run_index", -1), k);
        QCOMPARE(published.EntryLong("__parent/parameters/runs_total", -1), 3);

        const QList<Item*> items = executor.outputItems(true);
        QCOMPARE(items.size(), 2);
        // The unreadable input is named with the decoder's reason, beside the failure it causes.
        const QString unreadable = QString("cannot read input 0 'image' from '%1': ").arg(truncated);
        QCOMPARE(executor.inputErrors().size(), k == 1 ? 1 : 0);
        QCOMPARE(items[1]->data(Item::InputErrorRole).toString().startsWith(unreadable), k == 1);
        QCOMPARE(executor.error(), k == 1);
        if (k == 1)
            QVERIFY(executor.inputErrors()[0].size() > unreadable.size() && !executor.errorMessage().isEmpty());
        else
            QCOMPARE(items[0]->valueText(), out.filePath(QString("cells_%1_0.pbm").arg(k + 1)));
        for (Item* item : items) {
            QCOMPARE(item->status(), int(k == 1 ? Item::WarningStatus : Item::OkStatus));
            QCOMPARE(item->errorMessage(), executor.errorMessage());
            QCOMPARE(item->thread(), owner.thread());
            results.appendItem(item);
        }
    }
    QCOMPARE(executor.runsFailed, 1);
}

void GraphExecutorTest::graphsAndInputs_data()
{
    QTest::addColumn<QString>("graph");
    // Example image names or paths below the source folder, "long:" and "string:" values, "tmp:" a file made from `content` (null: none), or
    // "dir:" a folder.
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QList<int>>("types");
    QTest::addColumn<QString>("error"); // null: the execution succeeds; %1: the temporary folder
    QTest::addColumn<int>("runsFailed");

    const int image = Item::ImageFileType, map = Item::MapType, vector = Item::VectorType, number = Item::LongType;
    const int failed = Item::UndefinedType;
    const QList<int> twoFailed{failed, failed};
    const QString txtError = "GraphExecutor: Could not load txt image. ";
    QTest::newRow("plot outputs: map, vector, number, vector, vector")
        << "plot_outputs.ogr" << QStringList{"cells_4.png"} << QByteArray()
        << QList<int>{map, vector, number, vector, vector} << QString() << 0;
    QTest::newRow("number and string")
        << "number_and_string.ogr" << QStringList{"cells_16.png", "long:42", "string:a b"} << QByteArray()
        << QList<int>{number, int(Item::StringType), number} << QString() << 0;
    QTest::newRow("text image into a graph")
        << "count_cells.ogr" << QStringList{"cells.txt"} << QByteArray() << QList<int>{image, number} << QString() << 0;
    QTest::newRow("graph that fails: one error item, named by its node") << "fails.ogr" << QStringList{"cells_1.png"}
        << QByteArray() << QList<int>{failed} << "broken: this graph fails on purpose" << 1;
    QTest::newRow("folder as a text image") << "count_cells.ogr" << QStringList{"dir:folder.txt"} << QByteArray()
                                            << twoFailed << "GraphExecutor: Could not open the txt file" << 0;
    QTest::newRow("recording") << "count_cells.ogr" << QStringList{"tests/data/frame.cine"} << QByteArray()
                               << QList<int>{image, number} << QString() << 0;
    QTest::newRow("recording that is none") << "count_cells.ogr" << QStringList{"tmp:text.cine"}
                                            << QByteArray(48, 'x') << twoFailed
                                            << "'%1/text.cine' is not a recording" << 0;
    QTest::newRow("text image with ragged rows")
        << "count_cells.ogr" << QStringList{"tmp:ragged.asc"} << QByteArray("1 2 3\n4 5 6 7\n") << twoFailed
        << txtError + "The number of columns are not equal in each row." << 0;
    QTest::newRow("not an image at all")
        << "count_cells.ogr" << QStringList{"tmp:text.png"} << QByteArray("plain text") << twoFailed << "" << 1;
}

void GraphExecutorTest::graphsAndInputs()
{
    QFETCH(QString, graph);
    QFETCH(QStringList, inputs);
    QFETCH(QByteArray, content);
    QFETCH(QList<int>, types);
    QFETCH(QString, error);
    QFETCH(int, runsFailed);

    QTemporaryDir dir;
    ItemModel model(ItemModel::InputModel, 0);
    QList<Item*> items;
    for (const QString& entry : inputs) {
        if (entry.startsWith("long:"))
            model.appendItem(new Item(entry.mid(5), Item::LongType));
        else if (entry.startsWith("string:"))
            model.appendItem(new Item(entry.mid(7), Item::StringType));
        else if (entry.startsWith("tmp:") || entry.startsWith("dir:"))
            model.appendItem(new Item(dir.filePath(entry.mid(4)), Item::ImageFileType));
        else
            model.appendItem(new Item(source(entry.contains('/') ? entry : "examples/data/" + entry), Item::ImageFileType));
        items.append(model.item(model.rowCount() - 1));
    }
    if (!content.isNull())
        writeFile(items[0]->valueText(), content);
    if (inputs[0].startsWith("dir:")) {
        QVERIFY(QDir(dir.path()).mkdir(inputs[0].mid(4)));
        // The log names the path, which the item's described error does not.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QRegularExpression::escape(items[0]->valueText())));
    }
    error.replace("%1", dir.path());
    auto loaded = loadGraph(source("examples/graphs/" + graph));
    GraphExecutor executor;
    executor.setGraph(loaded.get());
    executor.setGraphPath(source("examples/graphs/" + graph));
    executor.setOutputNames({{dir.path(), "%i0_%o", ".png"}});
    executor.setInputItems(items);
    StreamCapture console(1);
    QVERIFY(execute(executor));
    const QByteArray printed = console.text();

    QCOMPARE(executor.error(), !error.isNull());
    QVERIFY2(executor.errorMessage().contains(error), qPrintable(executor.errorMessage()));
    QCOMPARE(executor.runsFailed, runsFailed);
    const QList<Item*> outputs = executor.outputItems(false);
    QCOMPARE(outputs.size(), types.size());
    for (int i = 0; i < outputs.size(); ++i) {
        QCOMPARE(outputs[i]->type(), types[i]);
        QCOMPARE(outputs[i]->errorMessage(), executor.error() ? executor.errorMessage() : QString());
        if (types[i] == Item::ImageFileType)
            QVERIFY(QFile::exists(outputs[i]->valueText()));
    }
    if (items[0]->valueText().endsWith(".txt"))
        QVERIFY(printed.contains("Loading txt image: " + items[0]->valueText().toLocal8Bit() + "\n"));
}

void GraphExecutorTest::imageHandlesAndForeignPointers()
{
    // Echo nodes hand back what they get: an image handle and a pointer to something that is no image.
    auto* handleImage = new KORA::CImage(KORA::IMAGE_GREY_8, KORA::CSize(4, 4));
    ItemModel model(ItemModel::InputModel, 0);
    model.appendItem(new Item(source("examples/data/cells_1.png"), Item::ImageFileType));
    auto* handle = new Item();
    handle->setImageHandle(new KORA::CValuePointer<KORA::IImage>(handleImage, 1, true), "handle");
    model.appendItem(handle);
    auto* foreign = new Item();
    static int number = 5;
    foreign->setImageHandle(new KORA::CValuePointer<int>(&number), "int");
    model.appendItem(foreign);

    const QString path = source("examples/graphs/number_and_string.ogr");
    auto graph = loadGraph(path);
    GraphExecutor executor;
    executor.setGraph(graph.get());
    executor.setGraphPath(path);
    executor.setOutputNames({{QString(), "%i0_%o", ".png"}});
    executor.setInputItems({model.item(0), model.item(1), model.item(2)});
    QVERIFY(execute(executor));

    const QList<Item*> outputs = executor.outputItems(false);
    QCOMPARE(outputs.size(), 3);
    QCOMPARE(outputs[0]->type(), int(Item::ImageHandleType));
    QCOMPARE(outputs[0]->valueText(), model.item(0)->valueText());
    QCOMPARE(handleImage->Attributes().EntryString("script"), path.toStdString());
    QCOMPARE(handleImage->Attributes().EntryLong("scriptoutput", -1), 0);
    QCOMPARE(outputs[1]->type(), int(Item::NoValueType));
    QCOMPARE(outputs[1]->errorMessage(), QString("Unknown Pointer to Object: KORA::CValuePointer<int>"));
}

void GraphExecutorTest::abortDuringDelayAndDetaching()
{
    QTemporaryDir dir;
    auto graph = loadGraph(source(kDelayGraph));
    ItemModel model(ItemModel::InputModel, 0);
    model.appendItem(new Item("7", Item::LongType));
    GraphExecutor executor;
    executor.setGraph(graph.get());
    executor.setInputItems({model.item(0)});
    executor.setOutputNames({{dir.path(), "%i0", ""}});
    QVERIFY(execute(executor));
    const QList<Item*> first = executor.outputItems(true);
    QCOMPARE(first.size(), 1);
    QCOMPARE(first[0]->valueText(), QString("7"));
    std::unique_ptr<Item> keep(first[0]);

    executor.setGraphParameters(parameters("ms", new KORA::CValueLong(600000)));
    StreamCapture console(1);
    QVERIFY(execute(executor, true));
    const QByteArray printed = console.text();
    QVERIFY(printed.contains("GraphExecutor::run() aborted.\n<<< GraphExecutor::run()...\n"));
    QVERIFY(!printed.contains("Execution complete.") && executor.aborted() && !executor.error());
    QCOMPARE(executor.outputItems(false), first);
    QVERIFY(executor.outputItems(true).isEmpty());

    // The request does not outlive the execution it stopped. (Merged parameters stay in the graph.)
    executor.setGraphParameters(parameters("ms", new KORA::CValueLong(0)));
    QVERIFY(execute(executor));
    QVERIFY(!executor.aborted());
    // The executor deletes only the items it still owns, never those handed over.
    QPointer<Item> owned(executor.outputItems(false).value(0));
    QPointer<Item> handedOver(keep.get());
    QVERIFY(owned && owned != handedOver);
    executor.setGraphPath("again");
    QVERIFY(execute(executor));
    QVERIFY(!owned && handedOver);
}

void GraphExecutorTest::unknownExecutorKind()
{
    GraphExecutor executor;
    executor.setExecutorType(7);
    QVERIFY(execute(executor));
    QCOMPARE(executor.errorMessage(), QString("Unknown executor id '7'. try setExecutorType()."));
    const QList<Item*> items = executor.outputItems(false);
    QVERIFY(items.size() == 1 && items[0]->errorMessage() == executor.errorMessage());
    QCOMPARE(items[0]->status(), int(Item::WarningStatus));
}

void GraphExecutorTest::cpgraphKind_data()
{
    QTest::addColumn<bool>("fromMap");
    QTest::addColumn<QString>("graphPath");
    QTest::addColumn<QString>("error"); // null: the execution succeeds
    const QString notAGraph = source("examples/data/grey.txt");
    QTest::newRow("graph file") << false << source("examples/graphs/smooth.xml") << QString();
    QTest::newRow("current graph from the host's map") << true << QString("CURRENT GRAPH") << QString();
    QTest::newRow("current graph without a map")
        << false << QString("CURRENT GRAPH") << "GraphExecutor: no graph map was given for the current graph";
    QTest::newRow("file that is no graph") << false << notAGraph << notAGraph + ": cannot read the graph description";
}

void GraphExecutorTest::cpgraphKind()
{
    QFETCH(bool, fromMap);
    QFETCH(QString, graphPath);
    QFETCH(QString, error);

    std::unique_ptr<KORA::CValue> map;
    if (fromMap) {
        map.reset(KORA::CXmlSerializer2().Deserialize(readFile(source("examples/graphs/smooth.xml")).toStdString()));
        QVERIFY(dynamic_cast<KORA::CValueMap*>(map.get()));
    }
    QTemporaryDir out;
    Item input(source("examples/data/cells_1.png"), Item::ImageFileType);
    GraphExecutor executor;
    executor.setExecutorType(GraphExecutor::CPGraphExecutor);
    executor.setGraphPath(graphPath);
    executor.setGraphMap(static_cast<KORA::CValueMap*>(map.get()));
    executor.setGraphParameters(parameters("sigma", new KORA::CValueDouble(2.5)));
    executor.setOutputNames({{out.path(), "%i0_%o", ".iass"}});
    executor.setInputItems({&input});
    StreamCapture console(1);
    QVERIFY(execute(executor));
    QVERIFY(console.text().contains("Executing graph as CPGraph graph.\n"));

    const QList<Item*> items = executor.outputItems(false);
    if (!error.isNull()) {
        QVERIFY(executor.error());
        QVERIFY2(executor.errorMessage().startsWith(error), qPrintable(executor.errorMessage()));
        QCOMPARE(items.size(), 1);
        QCOMPARE(items[0]->errorMessage(), executor.errorMessage());
        return;
    }
    QVERIFY2(!executor.error(), qPrintable(executor.errorMessage()));
    QCOMPARE(items.size(), 1);
    QCOMPARE(items[0]->valueText(), out.filePath("cells_1_0.iass"));
    std::unique_ptr<KORA::CImage> saved(KORA::CImageIo2::Load(items[0]->valueText().toLocal8Bit().constData()));
    QCOMPARE(saved->Attributes().EntryString("script"), graphPath.toStdString());
    QVERIFY(!saved->Attributes().HasEntry("scriptoutput")); // a single output needs no index
}

// Every setter goes through one guard; these three show it, and that a refused map stays with the caller.
void GraphExecutorTest::settersRefusedWhileRunning()
{
    auto graph = loadGraph(source(kDelayGraph));
    Item input("1", Item::LongType);
    GraphExecutor executor;
    executor.setGraph(graph.get());
    executor.setInputItems({&input});
    KORA::CValueMap* slow = parameters("ms", new KORA::CValueLong(600000));
    executor.setGraphParameters(slow);
    auto refusedMap = std::make_unique<KORA::CValueMap>();
    QByteArray refusals;
    QVERIFY(execute(executor, true, [&] {
        StreamCapture err(2);
        executor.setInputItems({});
        executor.setGraph(nullptr);
        executor.setGraphParameters(refusedMap.get());
        refusals = err.text();
    }));
    QCOMPARE(refusals.count("e changed during a run.\n"), 3);
    QVERIFY(executor.inputItems() == QList<Item*>{&input} && executor.graph() == graph.get() &&
            executor.graphParameters() == slow);
}

// Each run has a thread of its own. The first one here is still ending (in its thread-local destructors)
// when the later runs are over; it must not outlive the executor, or Qt's data of the thread leaks.
void GraphExecutorTest::noThreadOutlivesTheExecutor()
{
    static pthread_key_t lingering;
    static const int created = pthread_key_create(&lingering, [](void*) { QThread::msleep(300); });
    QCOMPARE(created, 0);
    struct Recording : GraphExecutor {
        QList<long> threads;
        void run() override
        {
            if (threads.isEmpty())
                pthread_setspecific(lingering, this);
            threads << static_cast<long>(::syscall(SYS_gettid));
            GraphExecutor::run();
        }
    };
    auto executor = std::make_unique<Recording>();
    executor->setExecutorType(7); // a run that ends at once
    for (int run = 0; run < 3; ++run)
        QVERIFY(execute(*executor));
    const QList<long> threads = executor->threads;
    executor.reset();
    for (long id : threads)
        QVERIFY2(!QFileInfo::exists(QStringLiteral("/proc/self/task/%1").arg(id)), "a run's thread outlived it");
}

QTEST_MAIN(GraphExecutorTest)
#include "test_graphexecutor.moc"
