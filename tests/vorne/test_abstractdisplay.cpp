#include <QAbstractEventDispatcher>
#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QtTest>

#include "items/item.h"
#include "items/itemmodel.h"
#include "viewers/abstractdisplay.h"
#include "viewers/displaytoolbar.h"

using VORNE::AbstractDisplay;
using VORNE::Item;
using VORNE::ItemModel;

namespace {

// Counts renderings and remembers where the window moved.
class CountingDisplay : public AbstractDisplay
{
public:
    using AbstractDisplay::AbstractDisplay;
    int renders = 0;
    QList<int> movedToX;

protected:
    bool updateView(Item*) override
    {
        ++renders;
        return true;
    }
    void moveEvent(QMoveEvent* event) override
    {
        movedToX << event->pos().x();
        AbstractDisplay::moveEvent(event);
    }
};

QList<int> timerIntervals(QObject* object)
{
    QList<int> intervals;
    for (const auto& timer : QAbstractEventDispatcher::instance()->registeredTimers(object))
        intervals << timer.interval;
    return intervals;
}

void fill(ItemModel& model, int rows)
{
    for (int row = 0; row < rows; ++row)
        model.appendItem(new Item(QString::number(row), Item::LongType));
}

} // namespace

class AbstractDisplayTest : public QObject
{
    Q_OBJECT

private slots:
    void indexRangeFollowsTheModel_data();
    void indexRangeFollowsTheModel();
    void typedIndexIsRequested();
    void portSelectorListsPortsAndStaysOnItsOwn();
    void displayTypes_data();
    void displayTypes();
    void titleNamesFileAndPort();
    void syncButtonToggles();
    void displayNullReleasesAndCloses();
    void deletedItemClosesTheViewer();
    void roleChanges_data();
    void roleChanges();
    void renderingWaitsForShow();
    void flashTwiceEndsAtOnce();
    void singleFlashEnds();
    void shakeEndsWhereItStarted();
    void escapeCloses();
};

void AbstractDisplayTest::indexRangeFollowsTheModel_data()
{
    QTest::addColumn<int>("rows"); // 0: the item is in no model
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("label");
    QTest::newRow("outside a model") << 0 << -1 << 0 << 0 << 0 << " of 0";
    QTest::newRow("first of three") << 3 << 0 << 1 << 3 << 1 << " of 3";
    QTest::newRow("last of three") << 3 << 2 << 1 << 3 << 3 << " of 3";
}

void AbstractDisplayTest::indexRangeFollowsTheModel()
{
    QFETCH(int, rows);
    QFETCH(int, row);
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(int, value);
    QFETCH(QString, label);
    ItemModel model(ItemModel::InputModel, 0);
    fill(model, rows);
    Item loose(QStringLiteral("7"), Item::LongType);
    Item* item = rows ? model.item(row) : &loose;

    CountingDisplay viewer(ItemModel::InputModel, 0);
    QSignalSpy requests(&viewer, &AbstractDisplay::displayIndex);
    viewer.display(item);
    const VORNE::DisplayToolbar* bar = viewer.toolbar();
    QCOMPARE(bar->m_indexSpinBox->minimum(), minimum);
    QCOMPARE(bar->m_indexSpinBox->maximum(), maximum);
    QCOMPARE(bar->m_indexSpinBox->value(), value);
    QCOMPARE(bar->m_countLabel->text(), label);

    if (rows) {
        // The range follows the model: a new row, then a move that puts the item elsewhere.
        model.appendItem(new Item(QStringLiteral("x"), Item::StringType));
        QCOMPARE(bar->m_indexSpinBox->maximum(), rows + 1);
        QCOMPARE(bar->m_countLabel->text(), QStringLiteral(" of %1").arg(rows + 1));
        model.moveRows(QModelIndex(), rows, 1, QModelIndex(), 0);
        QCOMPARE(bar->m_indexSpinBox->value(), item->row() + 1);
    }
    QCOMPARE(requests.count(), 0);
}

void AbstractDisplayTest::typedIndexIsRequested()
{
    ItemModel model(ItemModel::OutputModel, 0);
    fill(model, 3);
    CountingDisplay viewer(ItemModel::OutputModel, 0);
    viewer.display(model.item(0));
    QSignalSpy requests(&viewer, &AbstractDisplay::displayIndex);
    QSpinBox* spin = viewer.toolbar()->m_indexSpinBox;
    spin->selectAll();
    QTest::keyClicks(spin, QStringLiteral("3"));
    QCOMPARE(requests.count(), 1);
    QCOMPARE(requests.at(0).at(0).toInt(), 2);
    // The viewer never moves itself: it keeps its item until someone calls display().
    QCOMPARE(viewer.item(), model.item(0));
}

void AbstractDisplayTest::portSelectorListsPortsAndStaysOnItsOwn()
{
    CountingDisplay viewer(ItemModel::OutputModel, 0);
    QSignalSpy requests(&viewer, &AbstractDisplay::showDisplayForPort);
    viewer.setPortsCount(2, 1, {QStringLiteral("a"), QString()}, {QStringLiteral("out")});
    QComboBox* ports = viewer.toolbar()->m_portComboBox;
    QCOMPARE(ports->count(), 3);
    QCOMPARE(ports->itemText(0), QStringLiteral("Input 0: a"));
    QCOMPARE(ports->itemText(1), QStringLiteral("Input 1"));
    QCOMPARE(ports->itemText(2), QStringLiteral("Output 0: out"));
    QCOMPARE(ports->currentIndex(), 2);
    QCOMPARE(requests.count(), 0);

    ports->setCurrentIndex(1);
    QCOMPARE(requests.count(), 1);
    QCOMPARE(requests.at(0).at(0).toInt(), int(ItemModel::InputModel));
    QCOMPARE(requests.at(0).at(1).toInt(), 1);
    QCOMPARE(ports->currentIndex(), 2);

    ports->setCurrentIndex(2);
    QCOMPARE(requests.count(), 1); // already there: nothing changed, nothing asked
}

void AbstractDisplayTest::displayTypes_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<int>("selected");
    QTest::newRow("known") << "plot::Plot" << 2;
    QTest::newRow("unknown") << "display::Nothing" << -1;
    QTest::newRow("case differs") << "Plot::plot" << -1;
}

void AbstractDisplayTest::displayTypes()
{
    QFETCH(QString, current);
    QFETCH(int, selected);
    CountingDisplay viewer(ItemModel::InputModel, 0);
    QSignalSpy changes(&viewer, &AbstractDisplay::changeDisplayType);
    viewer.setDisplayTypes({"display::Display", "display::ScatterPlot", "plot::Plot"}, current);
    QComboBox* kinds = viewer.toolbar()->m_displayTypeComboBox;
    QCOMPARE(kinds->count(), 3);
    QCOMPARE(kinds->currentIndex(), selected);
    QCOMPARE(changes.count(), 0);

    kinds->setCurrentIndex(1);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(changes.at(0).at(0).toString(), QStringLiteral("display::ScatterPlot"));
}

void AbstractDisplayTest::titleNamesFileAndPort()
{
    CountingDisplay viewer(ItemModel::InputModel, 0);
    viewer.setPortsCount(1, 2, {QStringLiteral("image")}, {QString(), QString()});
    Item file(QStringLiteral("/data/run/cells.png"), Item::ImageFileType);
    viewer.display(&file);
    QCOMPARE(viewer.windowTitle(), QStringLiteral("cells.png - Input 0: image - VORNE"));
    QCOMPARE(viewer.toolTip(), QStringLiteral("/data/run/cells.png"));

    CountingDisplay output(ItemModel::OutputModel, 1);
    output.setPortsCount(1, 2, {QStringLiteral("image")}, {QString(), QString()});
    Item number(QStringLiteral("4"), Item::LongType);
    output.display(&number);
    QCOMPARE(output.windowTitle(), QStringLiteral(" - Output 1 - VORNE"));
    QVERIFY(output.toolTip().isEmpty());
}

void AbstractDisplayTest::syncButtonToggles()
{
    CountingDisplay viewer(ItemModel::InputModel, 0);
    QPushButton* sync = viewer.toolbar()->m_syncButton;
    QVERIFY(viewer.isSynced());
    sync->click();
    QVERIFY(!viewer.isSynced());
    QCOMPARE(sync->text(), QStringLiteral("Unsynced"));
    sync->click();
    QVERIFY(viewer.isSynced());
    QCOMPARE(sync->text(), QStringLiteral("Synced"));
}

void AbstractDisplayTest::displayNullReleasesAndCloses()
{
    Item item(QStringLiteral("1"), Item::LongType);
    CountingDisplay viewer(ItemModel::InputModel, 0);
    viewer.show();
    viewer.display(&item);
    QCOMPARE(item.displayState(), int(Item::DisplayedVisible));
    viewer.display(nullptr);
    QCOMPARE(item.displayState(), int(Item::NotDisplayed));
    QVERIFY(!viewer.isVisible());
    QVERIFY(!viewer.item());
    // Released for good: its changes no longer reach the viewer.
    item.setData(Item::ValueRole, QStringLiteral("2"));
    QCOMPARE(viewer.renders, 1);
}

void AbstractDisplayTest::deletedItemClosesTheViewer()
{
    ItemModel model(ItemModel::InputModel, 0);
    fill(model, 2);
    CountingDisplay viewer(ItemModel::InputModel, 0);
    viewer.show();
    viewer.display(model.item(1));
    model.removeRows(1, 1);
    QVERIFY(!viewer.isVisible());
    QVERIFY(!viewer.item());

    // Still usable afterwards.
    viewer.show();
    viewer.display(model.item(0));
    QCOMPARE(model.item(0)->displayState(), int(Item::DisplayedVisible));
    QCOMPARE(viewer.toolbar()->m_countLabel->text(), QStringLiteral(" of 1"));
}

void AbstractDisplayTest::roleChanges_data()
{
    QTest::addColumn<int>("role");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("renders");
    QTest::newRow("value") << int(Item::ValueRole) << QVariant(QStringLiteral("2")) << 1;
    QTest::newRow("type") << int(Item::TypeRole) << QVariant(int(Item::StringType)) << 1;
    QTest::newRow("status") << int(Item::StatusRole) << QVariant(int(Item::ErrorStatus)) << 1;
    QTest::newRow("display state") << int(Item::DisplayStateRole) << QVariant(int(Item::NotDisplayed)) << 0;
    QTest::newRow("error") << int(Item::ErrorRole) << QVariant(QStringLiteral("bad")) << 0;
    QTest::newRow("unchanged value") << int(Item::ValueRole) << QVariant(QStringLiteral("1")) << 0;
}

void AbstractDisplayTest::roleChanges()
{
    QFETCH(int, role);
    QFETCH(QVariant, value);
    QFETCH(int, renders);
    Item item(QStringLiteral("1"), Item::LongType);
    CountingDisplay viewer(ItemModel::InputModel, 0);
    viewer.show();
    viewer.display(&item);
    QCOMPARE(viewer.renders, 1);
    item.setData(role, value);
    QCOMPARE(viewer.renders, 1 + renders);
}

void AbstractDisplayTest::renderingWaitsForShow()
{
    Item item(QStringLiteral("1"), Item::LongType);
    CountingDisplay viewer(ItemModel::InputModel, 0);
    QSignalSpy visibility(&viewer, &AbstractDisplay::visibilityChanged);
    viewer.display(&item);
    QCOMPARE(viewer.renders, 0);
    QCOMPARE(item.displayState(), int(Item::DisplayedHidden));

    viewer.show();
    QCOMPARE(viewer.renders, 1);
    QCOMPARE(item.displayState(), int(Item::DisplayedVisible));
    viewer.hide();
    QCOMPARE(item.displayState(), int(Item::DisplayedHidden));
    viewer.show();
    QCOMPARE(viewer.renders, 1); // nothing changed while hidden
    QCOMPARE(visibility.count(), 3);

    viewer.close();
    item.setData(Item::ValueRole, QStringLiteral("2")); // changes while hidden wait too
    QCOMPARE(viewer.renders, 1);
    viewer.show();
    QCOMPARE(viewer.renders, 2);
}

void AbstractDisplayTest::flashTwiceEndsAtOnce()
{
    CountingDisplay viewer(ItemModel::InputModel, 0);
    viewer.resize(200, 200);
    const QPoint belowToolbar(100, 180);
    const QRgb normal = viewer.grab().toImage().pixel(belowToolbar);
    QVERIFY(normal != qRgb(255, 255, 255));

    viewer.flash();
    QCOMPARE(timerIntervals(&viewer), QList<int>{500});
    QCOMPARE(viewer.grab().toImage().pixel(belowToolbar), qRgb(255, 255, 255));
    viewer.flash();
    QVERIFY(timerIntervals(&viewer).isEmpty());
    QCOMPARE(viewer.grab().toImage().pixel(belowToolbar), normal);
}

void AbstractDisplayTest::singleFlashEnds()
{
    CountingDisplay viewer(ItemModel::InputModel, 0);
    viewer.flash();
    QCOMPARE(timerIntervals(&viewer), QList<int>{500});
    QTRY_VERIFY_WITH_TIMEOUT(timerIntervals(&viewer).isEmpty(), 5000);
}

void AbstractDisplayTest::shakeEndsWhereItStarted()
{
    CountingDisplay viewer(ItemModel::InputModel, 0);
    viewer.move(100, 100);
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    const QPoint start = viewer.pos();
    viewer.movedToX.clear();

    viewer.shake();
    QCOMPARE(viewer.pos().x(), start.x() - 5); // the first step at once
    QCOMPARE(timerIntervals(&viewer), QList<int>{25});
    QTRY_VERIFY(timerIntervals(&viewer).isEmpty());
    QCOMPARE(viewer.pos(), start);
    const QList<int> steps{start.x() - 5, start.x(), start.x() + 5, start.x()};
    QCOMPARE(viewer.movedToX, steps);
}

void AbstractDisplayTest::escapeCloses()
{
    CountingDisplay viewer(ItemModel::InputModel, 0);
    QSignalSpy visibility(&viewer, &AbstractDisplay::visibilityChanged);
    viewer.show();
    QVERIFY(viewer.isVisible());
    QTest::keyClick(&viewer, Qt::Key_Escape);
    QVERIFY(!viewer.isVisible());
    QVERIFY(visibility.count() >= 2);
}

QTEST_MAIN(AbstractDisplayTest)
#include "test_abstractdisplay.moc"
