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

// The caption below the picture, or null while it is hidden. It lives in the viewer's own status bar, which
// says nothing else.
QString caption(AbstractDisplay* viewer)
{
    auto* label = viewer->findChild<QLabel*>("ViewerCaption");
    if (!label || !label->isVisible())
        return QString();
    const auto* line = viewer->findChild<QStatusBar*>(QString(), Qt::FindDirectChildrenOnly);
    return label->parentWidget() == line && line->currentMessage().isEmpty() ? label->text() : "(elsewhere)";
}

// What the image plug-in's status fields that are not hidden say, joined by "|".
QString statusLine(AbstractDisplay* viewer)
{
    QStringList fields;
    for (auto* field : viewer->findChildren<QLabel*>(QRegularExpression("^StatusField")))
        if (!field->isHidden())
            fields << field->text();
    return fields.join('|');
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
        QTest::addColumn<QString>("error"); // the item's own
        QTest::addColumn<QString>("report");
        QTest::addColumn<bool>("flashes");
        QTest::addColumn<QString>("why"); // the reason the caption gives
        QTest::addColumn<QString>("status"); // the image plug-in's status line
        // An empty item in an image viewer shows the error icon, with the item's state instead of the
        // icon's figures; the other kinds have nothing to show. Either way the caption says why.
        QTest::newRow("image, empty") << "display::Display" << int(Item::UndefinedType) << "" << "" << false
                                      << "the item has no value" << "No value";
        QTest::newRow("image, failed step") << "display::Display" << int(Item::UndefinedType) << "node 3: no mask"
                                            << "" << false << "node 3: no mask" << "Step failed";
        QTest::newRow("plot, failed save") << "plot::Plot" << int(Item::NoValueType) << "disk full" << "" << true
                                           << "disk full" << "";
        QTest::newRow("plot, text") << "plot::Plot" << int(Item::StringType) << ""
                                    << "Plot::updateView() Could not execute plot plugin.\n" << true
                                    << "cannot plot a string" << "";
    }

    void itemsThePluginCannotShow()
    {
        QFETCH(QString, kind);
        QFETCH(int, type);
        QFETCH(QString, error);
        QFETCH(QString, report);
        QFETCH(bool, flashes);
        QFETCH(QString, why);
        QFETCH(QString, status);
        Item item(QStringLiteral("no numbers here"), type);
        if (!error.isEmpty())
            item.setErrorMessage(error);
        std::unique_ptr<AbstractDisplay> viewer = makeViewer(kind);
        viewer->show();
        StderrCapture capture;
        viewer->display(&item);
        QCOMPARE(QString::fromLocal8Bit(capture.text()), report);
        QCOMPARE(flashRunning(viewer.get()), flashes);
        QCOMPARE(viewer->centralWidget() != nullptr, !flashes);
        const QString said = caption(viewer.get());
        QVERIFY2(said.startsWith("Item - (no numbers here) cannot be shown: ") && said.contains(why), qPrintable(said));
        QCOMPARE(statusLine(viewer.get()), status);
    }

    // However small or large the window, the caption sits below the plug-in's status line and every other
    // text, and is tall enough for its wrapped text.
    void captionHasAPlaceOfItsOwn_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("unreadable"); // else a failed step
        QTest::newRow("small, unreadable input") << QSize(260, 220) << true;
        QTest::newRow("large, failed step") << QSize(900, 700) << false;
    }

    void captionHasAPlaceOfItsOwn()
    {
        QFETCH(QSize, size);
        QFETCH(bool, unreadable);
        const QString longName = QDir::temp().filePath(QString("vorne-%1.png").arg(QString(60, 'x')));
        VORNE::ItemModel model(VORNE::ItemModel::OutputModel, 0);
        model.appendItem(new Item(qEnvironmentVariable("VORNE_SOURCE_DIR") + "/examples/data/cells_1.png",
                                  Item::ImageFileType));
        model.appendItem(new Item(unreadable ? longName : QString(), unreadable ? Item::ImageFileType : Item::UndefinedType));
        if (!unreadable)
            model.item(1)->setErrorMessage("Threshold: " + QString("the mask is empty; ").repeated(12));
        VORNE::Display viewer(VORNE::ItemModel::OutputModel, 0);
        viewer.show();
        viewer.display(model.item(0));
        viewer.resize(size);
        viewer.display(model.item(1));
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        QTest::qWait(50);

        auto* label = viewer.findChild<QLabel*>("ViewerCaption");
        QVERIFY(!caption(&viewer).isEmpty());
        const QRect placed(label->mapTo(&viewer, QPoint()), label->size());
        QVERIFY(viewer.rect().contains(placed));
        // Not clipped: it has the height it asks for, at least what its text needs when broken anywhere (a
        // caption that let the long name run past the edge would ask for less).
        const QRect room = label->contentsRect();
        const int tightest = label->fontMetrics()
                                 .boundingRect(QRect(0, 0, room.width(), 10000), Qt::TextWrapAnywhere, label->text())
                                 .height();
        QVERIFY(label->height() >= label->heightForWidth(label->width()) && room.height() >= tightest);
        for (QWidget* other : viewer.findChildren<QWidget*>()) {
            const bool text = qobject_cast<QLabel*>(other) || qobject_cast<QAbstractButton*>(other) ||
                              qobject_cast<QComboBox*>(other) || qobject_cast<QAbstractSpinBox*>(other);
            if (other == label || !text || !other->isVisible())
                continue;
            const QRect at(other->mapTo(&viewer, QPoint()), other->size());
            QVERIFY2(!at.intersects(placed), qPrintable(other->objectName() + " " + other->metaObject()->className()));
        }
        QVERIFY(viewer.findChild<QLabel*>("StatusField0")->isVisible());
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
