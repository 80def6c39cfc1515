#include "vornetest.h"
#include "viewers/abstractdisplay.h"
#include "viewers/displaytoolbar.h"

using VORNE::AbstractDisplay;
using VORNE::Item;
using VORNE::ItemModel;

namespace {

// Counts renderings.
class CountingDisplay : public AbstractDisplay
{
public:
    explicit CountingDisplay(int kind = ItemModel::InputModel) : AbstractDisplay(kind, 0) {}
    int renders = 0;

protected:
    bool updateView(Item*) override { return ++renders; }
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
    for (int i = 0; i < rows; ++i)
        model.appendItem(new Item(QString::number(i), Item::LongType));
}

} // namespace

class AbstractDisplayTest : public QObject
{
    Q_OBJECT

private slots:
    void toolbarFollowsTheModel_data()
    {
        QTest::addColumn<int>("rows"); // 0: the item is in no model
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("title");
        const QString numberTitle = " - Output 0: out - VORNE";
        QTest::newRow("outside a model") << 0 << -1 << 0 << 0 << "cells.png - Output 0: out - VORNE";
        QTest::newRow("first of three") << 3 << 0 << 1 << 1 << numberTitle;
        QTest::newRow("last of three") << 3 << 2 << 1 << 3 << numberTitle;
    }

    void toolbarFollowsTheModel()
    {
        QFETCH(int, rows);
        QFETCH(int, row);
        QFETCH(int, minimum);
        QFETCH(int, value);
        QFETCH(QString, title);
        ItemModel model(ItemModel::OutputModel, 0);
        fill(model, rows);
        Item loose(QStringLiteral("/data/run/cells.png"), Item::ImageFileType);
        Item* item = rows ? model.item(row) : &loose;
        CountingDisplay viewer(ItemModel::OutputModel);
        QSignalSpy requests(&viewer, &AbstractDisplay::displayIndex);
        viewer.setPortsCount(2, 1, {QStringLiteral("a"), QString()}, {QStringLiteral("out")});
        viewer.display(item);
        QSpinBox* spin = viewer.toolbar()->m_indexSpinBox;
        const QLabel* count = viewer.toolbar()->m_countLabel;
        QCOMPARE(spin->minimum(), minimum);
        QCOMPARE(spin->maximum(), rows);
        QCOMPARE(spin->value(), value);
        QCOMPARE(count->text(), QStringLiteral(" of %1").arg(rows));
        QCOMPARE(viewer.windowTitle(), title);
        if (!rows)
            QCOMPARE(viewer.toolTip(), loose.valueText()); // a file's full path
        if (rows) {
            // A new row, then a move that puts the item elsewhere.
            model.appendItem(new Item(QStringLiteral("x"), Item::StringType));
            QCOMPARE(count->text(), QStringLiteral(" of %1").arg(rows + 1));
            model.moveRows(QModelIndex(), rows, 1, QModelIndex(), 0);
            QCOMPARE(spin->value(), item->row() + 1);
            QCOMPARE(requests.count(), 0);
            // Only a typed index asks for another item; the viewer never moves by itself.
            spin->selectAll();
            QTest::keyClicks(spin, QStringLiteral("3"));
            QCOMPARE(requests.count(), 1);
            QCOMPARE(requests.at(0).at(0).toInt(), 2);
            QCOMPARE(viewer.item(), item);
        }
        QCOMPARE(requests.count(), rows ? 1 : 0);
    }

    void itemLeavesTheViewer()
    {
        ItemModel model(ItemModel::InputModel, 0);
        fill(model, 2);
        CountingDisplay viewer;
        viewer.show();
        viewer.display(model.item(0));
        viewer.display(nullptr);
        QCOMPARE(model.item(0)->displayState(), int(Item::NotDisplayed));
        QVERIFY(!viewer.isVisible());
        model.item(0)->setData(Item::ValueRole, QStringLiteral("2")); // released for good
        QCOMPARE(viewer.renders, 1);

        // A destroyed item closes the viewer.
        viewer.show();
        viewer.display(model.item(1));
        model.removeRows(1, 1);
        QVERIFY(!viewer.isVisible() && !viewer.item());
    }

    void renderingFollowsRolesAndVisibility_data()
    {
        QTest::addColumn<int>("role");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("renders");
        QTest::newRow("value") << int(Item::ValueRole) << QVariant(QStringLiteral("2")) << 1;
        QTest::newRow("status") << int(Item::StatusRole) << QVariant(int(Item::ErrorStatus)) << 1;
        QTest::newRow("error") << int(Item::ErrorRole) << QVariant(QStringLiteral("bad")) << 0;
    }

    void renderingFollowsRolesAndVisibility()
    {
        QFETCH(int, role);
        QFETCH(QVariant, value);
        QFETCH(int, renders);
        Item item(QStringLiteral("1"), Item::LongType);
        CountingDisplay viewer;
        viewer.display(&item);
        QCOMPARE(viewer.renders, 0);
        QCOMPARE(item.displayState(), int(Item::DisplayedHidden));
        viewer.show();
        QCOMPARE(viewer.renders, 1);
        QCOMPARE(item.displayState(), int(Item::DisplayedVisible));
        item.setData(role, value);
        QCOMPARE(viewer.renders, 1 + renders);
        viewer.hide();
        QCOMPARE(item.displayState(), int(Item::DisplayedHidden));
        viewer.show();
        QCOMPARE(viewer.renders, 1 + renders); // nothing changed while hidden
        viewer.close();
        item.setData(Item::ValueRole, QStringLiteral("9"));
        QCOMPARE(viewer.renders, 1 + renders);
        viewer.show();
        QCOMPARE(viewer.renders, 2 + renders);
    }

    // A second flash ends the first at once, a flash alone ends by itself; Escape closes the viewer.
    void flashAndEscape()
    {
        CountingDisplay viewer;
        QSignalSpy visibility(&viewer, &AbstractDisplay::visibilityChanged);
        viewer.flash();
        viewer.flash();
        QVERIFY(timerIntervals(&viewer).isEmpty());
        viewer.flash();
        QCOMPARE(timerIntervals(&viewer), QList<int>{500});
        QTRY_VERIFY_WITH_TIMEOUT(timerIntervals(&viewer).isEmpty(), 5000);
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        QTest::keyClick(&viewer, Qt::Key_Escape);
        QVERIFY(!viewer.isVisible() && visibility.count() >= 2);
    }
};

QTEST_MAIN(AbstractDisplayTest)
#include "test_abstractdisplay.moc"
