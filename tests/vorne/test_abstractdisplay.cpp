#include <QAbstractEventDispatcher>
#include <QComboBox>
#include <QLabel>
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

// Counts renderings and remembers where the window moved to.
class CountingDisplay : public AbstractDisplay
{
public:
    using AbstractDisplay::AbstractDisplay;
    int renders = 0;
    QList<int> movedToX;

protected:
    bool updateView(Item*) override { return ++renders; }
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

} // namespace

class AbstractDisplayTest : public QObject
{
    Q_OBJECT

private slots:
    void indexRangeFollowsTheModel_data();
    void indexRangeFollowsTheModel();
    void typedIndexIsRequested();
    void portSelectorTitleAndSync();
    void displayTypes_data();
    void displayTypes();
    void itemLeavesTheViewer();
    void roleChanges_data();
    void roleChanges();
    void renderingWaitsForShow();
    void flash();
    void shakeEndsWhereItStarted();
    void escapeCloses();
};

void AbstractDisplayTest::indexRangeFollowsTheModel_data()
{
    QTest::addColumn<int>("rows"); // 0: the item is in no model
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("value");
    QTest::newRow("outside a model") << 0 << -1 << 0 << 0;
    QTest::newRow("first of three") << 3 << 0 << 1 << 1;
    QTest::newRow("last of three") << 3 << 2 << 1 << 3;
}

void AbstractDisplayTest::indexRangeFollowsTheModel()
{
    QFETCH(int, rows);
    QFETCH(int, row);
    QFETCH(int, minimum);
    QFETCH(int, value);
    ItemModel model(ItemModel::InputModel, 0);
    for (int i = 0; i < rows; ++i)
        model.appendItem(new Item(QString::number(i), Item::LongType));
    Item loose(QStringLiteral("7"), Item::LongType);
    Item* item = rows ? model.item(row) : &loose;
    CountingDisplay viewer(ItemModel::InputModel, 0);
    QSignalSpy requests(&viewer, &AbstractDisplay::displayIndex);
    viewer.display(item);
    const QSpinBox* spin = viewer.toolbar()->m_indexSpinBox;
    QCOMPARE(spin->minimum(), minimum);
    QCOMPARE(spin->maximum(), rows);
    QCOMPARE(spin->value(), value);
    QCOMPARE(viewer.toolbar()->m_countLabel->text(), QStringLiteral(" of %1").arg(rows));
    if (rows) {
        // A new row, then a move that puts the item elsewhere.
        model.appendItem(new Item(QStringLiteral("x"), Item::StringType));
        QCOMPARE(viewer.toolbar()->m_countLabel->text(), QStringLiteral(" of %1").arg(rows + 1));
        model.moveRows(QModelIndex(), rows, 1, QModelIndex(), 0);
        QCOMPARE(spin->value(), item->row() + 1);
    }
    QCOMPARE(requests.count(), 0);
}

void AbstractDisplayTest::typedIndexIsRequested()
{
    ItemModel model(ItemModel::OutputModel, 0);
    for (int i = 0; i < 3; ++i)
        model.appendItem(new Item(QString::number(i), Item::LongType));
    CountingDisplay viewer(ItemModel::OutputModel, 0);
    viewer.display(model.item(0));
    QSignalSpy requests(&viewer, &AbstractDisplay::displayIndex);
    QSpinBox* spin = viewer.toolbar()->m_indexSpinBox;
    spin->selectAll();
    QTest::keyClicks(spin, QStringLiteral("3"));
    QCOMPARE(requests.count(), 1);
    QCOMPARE(requests.at(0).at(0).toInt(), 2);
    QCOMPARE(viewer.item(), model.item(0)); // the viewer never moves by itself
}

void AbstractDisplayTest::portSelectorTitleAndSync()
{
    CountingDisplay viewer(ItemModel::OutputModel, 0);
    QSignalSpy requests(&viewer, &AbstractDisplay::showDisplayForPort);
    viewer.setPortsCount(2, 1, {QStringLiteral("a"), QString()}, {QStringLiteral("out")});
    QComboBox* ports = viewer.toolbar()->m_portComboBox;
    const QStringList entries{"Input 0: a", "Input 1", "Output 0: out"};
    for (int i = 0; i < entries.size(); ++i)
        QCOMPARE(ports->itemText(i), entries[i]);
    QCOMPARE(ports->count(), 3);
    QCOMPARE(ports->currentIndex(), 2);
    QCOMPARE(requests.count(), 0);

    ports->setCurrentIndex(1);
    QCOMPARE(requests.count(), 1);
    QCOMPARE(requests.at(0), (QList<QVariant>{int(ItemModel::InputModel), 1}));
    QCOMPARE(ports->currentIndex(), 2);
    ports->setCurrentIndex(2);
    QCOMPARE(requests.count(), 1);

    Item file(QStringLiteral("/data/run/cells.png"), Item::ImageFileType);
    viewer.display(&file);
    QCOMPARE(viewer.windowTitle(), QStringLiteral("cells.png - Output 0: out - VORNE"));
    QCOMPARE(viewer.toolTip(), file.valueText());
    Item number(QStringLiteral("4"), Item::LongType);
    viewer.display(&number);
    QCOMPARE(viewer.windowTitle(), QStringLiteral(" - Output 0: out - VORNE"));

    viewer.toolbar()->m_syncButton->click();
    QVERIFY(!viewer.isSynced());
    QCOMPARE(viewer.toolbar()->m_syncButton->text(), QStringLiteral("Unsynced"));
    viewer.toolbar()->m_syncButton->click();
    QVERIFY(viewer.isSynced());
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

void AbstractDisplayTest::itemLeavesTheViewer()
{
    ItemModel model(ItemModel::InputModel, 0);
    for (int i = 0; i < 2; ++i)
        model.appendItem(new Item(QString::number(i), Item::LongType));
    CountingDisplay viewer(ItemModel::InputModel, 0);
    viewer.show();
    viewer.display(model.item(0));
    viewer.display(nullptr);
    QCOMPARE(model.item(0)->displayState(), int(Item::NotDisplayed));
    QVERIFY(!viewer.isVisible());
    model.item(0)->setData(Item::ValueRole, QStringLiteral("2")); // released for good
    QCOMPARE(viewer.renders, 1);

    // A destroyed item closes the viewer, which stays usable.
    viewer.show();
    viewer.display(model.item(1));
    model.removeRows(1, 1);
    QVERIFY(!viewer.isVisible());
    QVERIFY(!viewer.item());
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
    item.setData(role, value);
    QCOMPARE(viewer.renders, 1 + renders);
}

void AbstractDisplayTest::renderingWaitsForShow()
{
    Item item(QStringLiteral("1"), Item::LongType);
    CountingDisplay viewer(ItemModel::InputModel, 0);
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
    viewer.close();
    item.setData(Item::ValueRole, QStringLiteral("2"));
    viewer.show();
    QCOMPARE(viewer.renders, 2);
}

void AbstractDisplayTest::flash()
{
    CountingDisplay viewer(ItemModel::InputModel, 0);
    viewer.resize(200, 200);
    const QPoint belowToolbar(100, 180);
    const QRgb normal = viewer.grab().toImage().pixel(belowToolbar);
    QVERIFY(normal != qRgb(255, 255, 255));
    viewer.flash();
    QCOMPARE(timerIntervals(&viewer), QList<int>{500});
    QCOMPARE(viewer.grab().toImage().pixel(belowToolbar), qRgb(255, 255, 255));
    viewer.flash(); // a second call ends it at once
    QVERIFY(timerIntervals(&viewer).isEmpty());
    QCOMPARE(viewer.grab().toImage().pixel(belowToolbar), normal);

    viewer.flash();
    QTRY_VERIFY_WITH_TIMEOUT(timerIntervals(&viewer).isEmpty(), 5000);
    QCOMPARE(viewer.grab().toImage().pixel(belowToolbar), normal);
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
    QCOMPARE(viewer.movedToX, (QList<int>{start.x() - 5, start.x(), start.x() + 5, start.x()}));
}

void AbstractDisplayTest::escapeCloses()
{
    CountingDisplay viewer(ItemModel::InputModel, 0);
    QSignalSpy visibility(&viewer, &AbstractDisplay::visibilityChanged);
    viewer.show();
    QTest::keyClick(&viewer, Qt::Key_Escape);
    QVERIFY(!viewer.isVisible());
    QVERIFY(visibility.count() >= 2);
}

QTEST_MAIN(AbstractDisplayTest)
#include "test_abstractdisplay.moc"
