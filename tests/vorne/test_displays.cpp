#include <algorithm>
#include <functional>
#include <memory>

#include "vornetest.h"
#include "kora/image.h"
#include "kora/valuepointer.h"
#include "streamcapture.h"
#include "viewers/display.h"
#include "viewers/displaytoolbar.h"
#include "viewers/plot.h"
#include "viewers/scatterplot.h"
#include "viewers/viewerkinds.h"

using VORNE::AbstractDisplay;
using VORNE::Item;
using ItemMaker = std::function<Item*()>;
Q_DECLARE_METATYPE(ItemMaker)

namespace {

std::unique_ptr<AbstractDisplay> makeViewer(const QString& kind)
{
    if (kind == QLatin1String("display::Display"))
        return std::make_unique<VORNE::Display>(VORNE::ItemModel::InputModel, 0);
    if (kind == QLatin1String("plot::Plot"))
        return std::make_unique<VORNE::Plot>(VORNE::ItemModel::OutputModel, 0);
    return std::make_unique<VORNE::ScatterPlot>(VORNE::ItemModel::OutputModel, 1);
}

bool flashRunning(QObject* viewer)
{
    const auto timers = QAbstractEventDispatcher::instance()->registeredTimers(viewer);
    return std::any_of(timers.begin(), timers.end(), [](const auto& timer) { return timer.interval == 500; });
}

// The caption over the picture, or null while it is hidden; the status line must say the same.
QString caption(AbstractDisplay* viewer)
{
    auto* label = viewer->findChild<QLabel*>("ViewerCaption");
    if (!label || !label->isVisible())
        return QString();
    const auto* line = viewer->findChild<QStatusBar*>(QString(), Qt::FindDirectChildrenOnly);
    return line && line->isVisible() && line->currentMessage() == label->text() ? label->text() : "(status differs)";
}

} // namespace

class DisplaysTest : public QObject
{
    Q_OBJECT

private slots:
    // Each row creates the viewer that draws with that row's plug-in window, and is found by its name.
    void everyKindCreatesItsViewer()
    {
        QStringList names;
        for (const VORNE::ViewerKind& kind : VORNE::viewerKinds())
            names << kind.name;
        for (const VORNE::ViewerKind& kind : VORNE::viewerKinds()) {
            QCOMPARE(VORNE::findViewerKind(kind.name), &kind);
            QVERIFY2(kind.create, kind.name);
            std::unique_ptr<AbstractDisplay> viewer(kind.create(VORNE::ItemModel::OutputModel, 0, nullptr));
            Item item(QStringLiteral("[[1, 2], [3, 4]]"), Item::VectorType);
            viewer->show();
            viewer->display(&item);
            QVERIFY2(viewer->centralWidget(), kind.name);
            QCOMPARE(viewer->centralWidget()->objectName(), QString(kind.windowName));
            // A right-click on the innermost widget (a value viewer's text) opens the kinds; the choice
            // leaves through the toolbar's selector.
            const QString other = names[(names.indexOf(kind.name) + 1) % names.size()];
            viewer->setDisplayTypes(names, kind.name);
            QSignalSpy asked(viewer.get(), &AbstractDisplay::changeDisplayType);
            QWidget* target = viewer->centralWidget();
            while (QWidget* inner = target->childAt(target->rect().center()))
                target = inner;
            QTimer::singleShot(0, [other] {
                auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                for (QAction* action : menu ? menu->actions() : QList<QAction*>())
                    if (action->text() == other)
                        menu->setActiveAction(action), QTest::keyClick(menu, Qt::Key_Return);
            });
            QContextMenuEvent click(QContextMenuEvent::Mouse, target->rect().center(),
                                    target->mapToGlobal(target->rect().center()));
            QApplication::sendEvent(target, &click);
            QCOMPARE(asked.value(0).value(0).toString(), other);
            QCOMPARE(viewer->toolbar()->m_displayTypeComboBox->currentText(), other);
        }
    }

    void missingPluginIsReported_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("report");
        QTest::newRow("image") << "display::Display" << "Display: Could not load the display::Display plugin.\nWhy: ";
        QTest::newRow("plot") << "plot::Plot" << "";
    }

    void missingPluginIsReported()
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
        QVERIFY2(report.isEmpty() ? written.isEmpty() : written.startsWith(report), qPrintable(written));

        // Without a node the window still works; it only draws nothing, and says nothing more.
        Item item(QStringLiteral("[1, 2]"), Item::VectorType);
        viewer->show();
        viewer->display(&item);
        QCOMPARE(item.displayState(), int(Item::DisplayedVisible));
        QVERIFY(!viewer->centralWidget());
        QVERIFY(!flashRunning(viewer.get()));
    }

    void adoptsThePluginWindow_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<ItemMaker>("makeItem");
        QTest::addColumn<QString>("widgetName");
        const QString cells = qEnvironmentVariable("VORNE_SOURCE_DIR") + "/examples/data/cells_1.png";
        QTest::newRow("image file") << "display::Display"
                                    << ItemMaker([cells] { return new Item(cells, Item::ImageFileType); })
                                    << "DisplayMainWindow";
        QTest::newRow("image handle") << "display::Display" << ItemMaker([] {
            auto* item = new Item;
            auto* image = new KORA::CImage(KORA::IMAGE_GREY_16, KORA::CSize(40, 30));
            item->setImageHandle(new KORA::CValueOwnedPointer<KORA::CImage>(image), QStringLiteral("ramp"));
            return item;
        }) << "DisplayMainWindow";
        QTest::newRow("vector") << "plot::Plot" << ItemMaker([] { return new Item("[3, 1, 4, 1, 5]", Item::VectorType); })
                                << "PlotMainWindow";
    }

    void adoptsThePluginWindow()
    {
        QFETCH(QString, kind);
        QFETCH(ItemMaker, makeItem);
        QFETCH(QString, widgetName);
        VORNE::ItemModel model(VORNE::ItemModel::OutputModel, 0);
        model.appendItem(makeItem());
        model.appendItem(makeItem());
        std::unique_ptr<AbstractDisplay> viewer = makeViewer(kind);
        viewer->show();
        StderrCapture capture;
        viewer->display(model.item(0));
        QCOMPARE(capture.text(), QByteArray());
        QVERIFY(!flashRunning(viewer.get()));
        QVERIFY(viewer->centralWidget());
        QCOMPARE(viewer->centralWidget()->objectName(), widgetName);
        QVERIFY(!viewer->centralWidget()->isWindow());

        const bool image = kind == QLatin1String("display::Display");
        if (image) {
            QCOMPARE(viewer->size(), QSize(500, 500));
            QCOMPARE(viewer->toolbar()->parentWidget(), viewer->centralWidget());
        }
        // Later renderings leave size and toolbar alone.
        viewer->resize(320, 240);
        viewer->display(model.item(1));
        QCOMPARE(viewer->size(), QSize(320, 240));
        QCOMPARE(viewer->centralWidget()->objectName(), widgetName);
        QVERIFY(!flashRunning(viewer.get()));
    }

    void itemsThePluginCannotShow_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("report");
        QTest::addColumn<bool>("flashes");
        QTest::addColumn<QString>("why"); // the reason the caption gives
        // An empty item in an image viewer shows the error icon; the other kinds have nothing to show.
        QTest::newRow("image, empty") << "display::Display" << int(Item::UndefinedType) << "" << false << "";
        QTest::newRow("plot, empty") << "plot::Plot" << int(Item::NoValueType) << "" << true << "the item has no value";
        QTest::newRow("plot, text") << "plot::Plot" << int(Item::StringType)
                                    << "Plot::updateView() Could not execute plot plugin.\n" << true << "cannot plot a string";
    }

    void itemsThePluginCannotShow()
    {
        QFETCH(QString, kind);
        QFETCH(int, type);
        QFETCH(QString, report);
        QFETCH(bool, flashes);
        QFETCH(QString, why);
        Item item(QStringLiteral("no numbers here"), type);
        std::unique_ptr<AbstractDisplay> viewer = makeViewer(kind);
        viewer->show();
        StderrCapture capture;
        viewer->display(&item);
        QCOMPARE(QString::fromLocal8Bit(capture.text()), report);
        QCOMPARE(flashRunning(viewer.get()), flashes);
        QCOMPARE(viewer->centralWidget() != nullptr, !flashes);
        const QString said = caption(viewer.get());
        QVERIFY2(why.isEmpty() ? said.isNull() : said.startsWith("Item - (no numbers here) cannot be shown: ") && said.contains(why),
                 qPrintable(said));
    }

    void captionSaysWhyUntilTheNextPicture()
    {
        VORNE::ItemModel model(VORNE::ItemModel::InputModel, 0);
        const QString missing = QDir::temp().filePath("vorne-no-such-image.png");
        for (const QString& file : {qEnvironmentVariable("VORNE_SOURCE_DIR") + "/examples/data/cells_1.png", missing})
            model.appendItem(new Item(file, Item::ImageFileType));
        VORNE::Display viewer(VORNE::ItemModel::InputModel, 0);
        viewer.show();
        viewer.display(model.item(0));
        QVERIFY(caption(&viewer).isNull());
        viewer.display(model.item(1));
        QCOMPARE(caption(&viewer), QString("Item 2 (%1) cannot be shown: the file does not exist").arg(missing));
        viewer.display(model.item(0));
        QVERIFY(caption(&viewer).isNull());
        QVERIFY(!viewer.findChild<QStatusBar*>(QString(), Qt::FindDirectChildrenOnly)->isVisible());
    }
};

QTEST_MAIN(DisplaysTest)
#include "test_displays.moc"
