#include <QAbstractEventDispatcher>
#include <QFile>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

#include "items/item.h"
#include "items/itemmodel.h"
#include "kora/image.h"
#include "kora/value.h"
#include "kora/valuepointer.h"
#include "stderrcapture.h"
#include "viewers/display.h"
#include "viewers/displaytoolbar.h"
#include "viewers/plot.h"
#include "viewers/scatterplot.h"

using VORNE::AbstractDisplay;
using VORNE::Item;
using VORNE::ItemModel;

namespace {

std::unique_ptr<AbstractDisplay> makeViewer(const QString& kind)
{
    if (kind == QLatin1String("display::Display"))
        return std::make_unique<VORNE::Display>(ItemModel::InputModel, 0);
    if (kind == QLatin1String("plot::Plot"))
        return std::make_unique<VORNE::Plot>(ItemModel::OutputModel, 0);
    return std::make_unique<VORNE::ScatterPlot>(ItemModel::OutputModel, 1);
}

// The plug-in library a kind lives in.
QString pluginLibrary(const QString& kind)
{
    return qEnvironmentVariable("KORADIR") + QStringLiteral("/bin/lib") + kind.section(QLatin1String("::"), 0, 0) +
           QStringLiteral(".so");
}

bool flashRunning(QObject* viewer)
{
    for (const auto& timer : QAbstractEventDispatcher::instance()->registeredTimers(viewer))
        if (timer.interval == 500)
            return true;
    return false;
}

KORA::CValueVector* numbers(std::initializer_list<double> values)
{
    auto* vector = new KORA::CValueVector;
    int index = 0;
    for (double value : values)
        vector->SetEntry(index++, new KORA::CValueDouble(value));
    return vector;
}

using ItemMaker = std::function<Item*()>;

} // namespace

Q_DECLARE_METATYPE(ItemMaker)

class DisplaysTest : public QObject
{
    Q_OBJECT

private slots:
    void missingPluginIsReported_data();
    void missingPluginIsReported();
    void adoptsThePluginWindow_data();
    void adoptsThePluginWindow();
    void emptyItem_data();
    void emptyItem();
    void errorIconIsCopiedAgainWhenDeleted();
    void executionFailureIsReported_data();
    void executionFailureIsReported();
};

void DisplaysTest::missingPluginIsReported_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("report");
    QTest::newRow("image") << "display::Display" << "Display: Could not load the display::Display plugin.\nWhy: ";
    QTest::newRow("plot") << "plot::Plot" << "";
    QTest::newRow("scatter") << "display::ScatterPlot" << "ScatterPlot: Could not load the display::ScatterPlot plugin.";
}

void DisplaysTest::missingPluginIsReported()
{
    QFETCH(QString, kind);
    QFETCH(QString, report);
    QTemporaryDir emptyRoot;
    const QByteArray koradir = qgetenv("KORADIR");
    qputenv("KORADIR", emptyRoot.path().toLocal8Bit());
    StderrCapture capture;
    std::unique_ptr<AbstractDisplay> viewer = makeViewer(kind);
    const QString written = QString::fromLocal8Bit(capture.text());
    qputenv("KORADIR", koradir);

    if (report.isEmpty())
        QVERIFY2(written.isEmpty(), qPrintable(written));
    else
        QVERIFY2(written.startsWith(report), qPrintable(written));

    // Without a node the window still works; it only draws nothing, and says nothing more.
    Item item(QStringLiteral("[1, 2]"), Item::VectorType);
    viewer->show();
    viewer->display(&item);
    QCOMPARE(item.displayState(), int(Item::DisplayedVisible));
    QVERIFY(!viewer->centralWidget());
    QVERIFY(!flashRunning(viewer.get()));
}

void DisplaysTest::adoptsThePluginWindow_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<ItemMaker>("makeItem");
    QTest::addColumn<QString>("widgetName");
    const QString cells = qEnvironmentVariable("VORNE_SOURCE_DIR") + QStringLiteral("/examples/data/cells_1.png");
    QTest::newRow("image file") << "display::Display"
                                << ItemMaker([cells] { return new Item(cells, Item::ImageFileType); })
                                << "DisplayMainWindow";
    QTest::newRow("image handle") << "display::Display" << ItemMaker([] {
        auto* item = new Item;
        auto* image = new KORA::CImage(KORA::IMAGE_GREY_16, KORA::CSize(40, 30));
        item->setImageHandle(new KORA::CValueOwnedPointer<KORA::CImage>(image), QStringLiteral("ramp"));
        return item;
    }) << "DisplayMainWindow";
    QTest::newRow("vector") << "plot::Plot" << ItemMaker([] {
        auto* item = new Item;
        std::unique_ptr<KORA::CValueVector> vector(numbers({3, 1, 4, 1, 5}));
        item->setValue(vector.get());
        return item;
    }) << "PlotMainWindow";
    QTest::newRow("vector of pairs") << "display::ScatterPlot" << ItemMaker([] {
        auto* item = new Item;
        KORA::CValueVector pairs;
        pairs.SetEntry(0, numbers({1.5, 2.0}));
        pairs.SetEntry(1, numbers({3.0, 4.5}));
        pairs.SetEntry(2, numbers({0.5, 1.0}));
        item->setValue(&pairs);
        return item;
    }) << "ScatterPlotMainWindow";
}

void DisplaysTest::adoptsThePluginWindow()
{
    QFETCH(QString, kind);
    QFETCH(ItemMaker, makeItem);
    QFETCH(QString, widgetName);
    if (!QFile::exists(pluginLibrary(kind)))
        QSKIP("the viewer plug-in is not built");

    ItemModel model(ItemModel::OutputModel, 0);
    model.appendItem(makeItem());
    model.appendItem(makeItem());
    std::unique_ptr<AbstractDisplay> viewer = makeViewer(kind);
    viewer->show();
    StderrCapture capture;
    viewer->display(model.item(0));
    const QByteArray written = capture.text();
    QVERIFY2(written.isEmpty(), written.constData());
    QVERIFY(!flashRunning(viewer.get()));
    QVERIFY(viewer->centralWidget());
    QCOMPARE(viewer->centralWidget()->objectName(), widgetName);
    QVERIFY(!viewer->centralWidget()->isWindow());

    if (kind == QLatin1String("display::Display")) {
        QCOMPARE(viewer->size(), QSize(500, 500));
        // The toolbar moved into the plug-in's own window, on a row of its own.
        QCOMPARE(viewer->toolbar()->parentWidget(), viewer->centralWidget());
        viewer->resize(320, 240);
        viewer->display(model.item(1));
        QCOMPARE(viewer->size(), QSize(320, 240));
    } else {
        viewer->display(model.item(1));
    }
    QCOMPARE(viewer->centralWidget()->objectName(), widgetName);
    QVERIFY(!flashRunning(viewer.get()));
}

void DisplaysTest::emptyItem_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("showsErrorIcon");
    QTest::newRow("image") << "display::Display" << true;
    QTest::newRow("plot") << "plot::Plot" << false;
    QTest::newRow("scatter") << "display::ScatterPlot" << false;
}

void DisplaysTest::emptyItem()
{
    QFETCH(QString, kind);
    QFETCH(bool, showsErrorIcon);
    if (!QFile::exists(pluginLibrary(kind)))
        QSKIP("the viewer plug-in is not built");
    if (showsErrorIcon && !QFile::exists(QStringLiteral(":/resources/error-icon.png")))
        QSKIP("the icon resources are not built in");

    Item empty;
    std::unique_ptr<AbstractDisplay> viewer = makeViewer(kind);
    viewer->show();
    viewer->display(&empty);
    if (showsErrorIcon) {
        QVERIFY(!flashRunning(viewer.get()));
        QVERIFY(QFile::exists(VORNE::Display::errorImagePath()));
        QVERIFY(viewer->centralWidget());
    } else {
        QVERIFY(flashRunning(viewer.get()));
        QVERIFY(!viewer->centralWidget());
    }
}

void DisplaysTest::errorIconIsCopiedAgainWhenDeleted()
{
    if (!QFile::exists(QStringLiteral(":/resources/error-icon.png")))
        QSKIP("the icon resources are not built in");
    const QString path = VORNE::Display::errorImagePath();
    QVERIFY(!path.isEmpty());
    QCOMPARE(VORNE::Display::errorImagePath(), path);
    if (!QFile::exists(pluginLibrary(QStringLiteral("display::Display"))))
        QSKIP("the viewer plug-in is not built");

    Item empty(QStringLiteral("out_0.png"), Item::NoValueType);
    VORNE::Display viewer(ItemModel::OutputModel, 0);
    viewer.show();
    viewer.display(&empty);
    QVERIFY(QFile::exists(path));
    QVERIFY(!flashRunning(&viewer));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    QVERIFY(QFile::remove(path));
    empty.setData(Item::ValueRole, QStringLiteral("out_1.png")); // renders again
    QVERIFY(QFile::exists(path));
    QCOMPARE(VORNE::Display::errorImagePath(), path);
    QVERIFY(!flashRunning(&viewer));
}

void DisplaysTest::executionFailureIsReported_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("report");
    QTest::newRow("plot") << "plot::Plot" << "Plot::updateView() Could not execute plot plugin.\n";
    QTest::newRow("scatter") << "display::ScatterPlot"
                             << "ScatterPlot::updateView() Could not execute scatter plot plugin.\n";
}

void DisplaysTest::executionFailureIsReported()
{
    QFETCH(QString, kind);
    QFETCH(QString, report);
    if (!QFile::exists(pluginLibrary(kind)))
        QSKIP("the viewer plug-in is not built");

    // Text is nothing either plug-in can draw.
    Item words(QStringLiteral("no numbers here"), Item::StringType);
    std::unique_ptr<AbstractDisplay> viewer = makeViewer(kind);
    viewer->show();
    StderrCapture capture;
    viewer->display(&words);
    QCOMPARE(QString::fromLocal8Bit(capture.text()), report);
    QVERIFY(flashRunning(viewer.get()));
    QVERIFY(!viewer->centralWidget());
}

QTEST_MAIN(DisplaysTest)
#include "test_displays.moc"
