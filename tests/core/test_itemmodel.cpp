#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

#include "items/item.h"
#include "items/itemmodel.h"
#include "streamcapture.h"

using VORNE::Item;
using VORNE::ItemModel;

class ItemModelTest : public QObject
{
    Q_OBJECT

private slots:
    void appendAndRemoveReportTheCount();
    void rowsOutOfRange();
    void itemsFollowTheirModel();
    void moveRows_data();
    void moveRows();
    void roleChangeSignalsTheRow();
    void emptyRowsTakeItemsOneAtATime();

private:
    // One item per letter, the letter as text.
    static void fill(ItemModel& model, const QString& letters)
    {
        for (const QChar letter : letters)
            model.appendItem(new Item(QString(letter), Item::StringType));
    }
    static QString letters(const ItemModel& model)
    {
        QString text;
        for (int row = 0; row < model.rowCount(); ++row)
            text += model.item(row)->valueText();
        return text;
    }
};

void ItemModelTest::appendAndRemoveReportTheCount()
{
    ItemModel model(ItemModel::InputModel, 2);
    QSignalSpy counts(&model, &ItemModel::rowsCountChanged);

    fill(model, "ABC");
    QCOMPARE(counts.count(), 3);
    QCOMPARE(counts.last().at(0).toInt(), 3);

    QPointer<Item> removed = model.item(1);
    QVERIFY(model.removeRows(1, 1));
    QVERIFY(removed.isNull());
    QCOMPARE(letters(model), QString("AC"));
    QCOMPARE(counts.last().at(0).toInt(), 2);

    model.clear();
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(counts.last().at(0).toInt(), 0);
    const int emitted = counts.count();
    model.clear(); // nothing to announce
    QCOMPARE(counts.count(), emitted);
}

void ItemModelTest::rowsOutOfRange()
{
    ItemModel model(ItemModel::InputModel, 0);
    fill(model, "AB");
    QVERIFY(!model.index(2, 0).isValid());
    QVERIFY(!model.index(-1, 0).isValid());
    QCOMPARE(model.index(1, 0).internalPointer(), static_cast<void*>(model.item(1)));
    QVERIFY(!model.data(model.index(5, 0), Item::ValueRole).isValid());
    QCOMPARE(model.item(2), nullptr);
    Item stranger;
    QCOMPARE(model.indexOf(&stranger), -1);
    QCOMPARE(stranger.row(), -1);
}

void ItemModelTest::itemsFollowTheirModel()
{
    auto* first = new ItemModel(ItemModel::InputModel, 0);
    ItemModel second(ItemModel::OutputModel, 0);
    auto* item = new Item("x", Item::StringType);
    first->appendItem(item);
    QCOMPARE(item->model(), first);
    QCOMPARE(item->row(), 0);

    // Appended elsewhere it leaves the first list, so the first model no longer deletes it.
    QVERIFY(second.appendItem(item));
    QCOMPARE(first->rowCount(), 0);
    QCOMPARE(item->model(), &second);
    QVERIFY(!second.appendItem(item));
    delete first;
    QPointer<Item> alive = item;
    QVERIFY(!alive.isNull());

    QSignalSpy changed(&second, &QAbstractItemModel::dataChanged);
    item->setValue("y");
    QCOMPARE(changed.count(), 1); // the old model's connection is gone, the new one works once
}

void ItemModelTest::moveRows_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("destination");
    QTest::addColumn<bool>("moved");
    QTest::addColumn<QString>("order");
    QTest::addColumn<bool>("complains");

    QTest::newRow("selection up by one") << 3 << 2 << 2 << true << "ABDEC" << false;
    QTest::newRow("block down") << 0 << 2 << 4 << true << "CDABE" << false;
    QTest::newRow("up from row 0 refused") << 0 << 2 << -1 << false << "ABCDE" << false;
    QTest::newRow("destination inside block") << 1 << 3 << 2 << false << "ABCDE" << false;
    QTest::newRow("destination past the end") << 0 << 1 << 5 << false << "ABCDE" << false;
    QTest::newRow("block beyond the end") << 4 << 2 << 0 << false << "ABCDE" << false;
    QTest::newRow("destination right after block") << 1 << 2 << 3 << false << "ABCDE" << true;
}

void ItemModelTest::moveRows()
{
    QFETCH(int, source);
    QFETCH(int, count);
    QFETCH(int, destination);
    QFETCH(bool, moved);
    QFETCH(QString, order);
    QFETCH(bool, complains);

    ItemModel model(ItemModel::InputModel, 0);
    fill(model, "ABCDE");
    QSignalSpy moves(&model, &QAbstractItemModel::rowsMoved);
    QSignalSpy counts(&model, &ItemModel::rowsCountChanged);
    StderrCapture capture;
    QCOMPARE(model.moveRows(QModelIndex(), source, count, QModelIndex(), destination), moved);
    const QByteArray written = capture.text();
    QCOMPARE(letters(model), order);
    QCOMPARE(moves.count(), moved ? 1 : 0);
    QCOMPARE(counts.count(), 0);
    QCOMPARE(written, complains ? QByteArray("ItemModel::moveRows(): beginMoveRows() returned false. Check this.\n")
                                : QByteArray());
}

void ItemModelTest::roleChangeSignalsTheRow()
{
    ItemModel model(ItemModel::OutputModel, 1);
    fill(model, "AB");
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

    model.item(1)->setDisplayState(Item::DisplayedHidden);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toModelIndex(), model.index(1, 0));
    QCOMPARE(changed.at(0).at(1).toModelIndex(), model.index(1, 0));
    QVERIFY(changed.at(0).at(2).value<QVector<int>>().isEmpty());

    model.item(1)->setDisplayState(Item::DisplayedHidden);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(model.data(model.index(1, 0), Item::DisplayStateRole).toInt(), int(Item::DisplayedHidden));
}

// A long headless batch keeps only the items in flight: the rest of its rows are empty.
void ItemModelTest::emptyRowsTakeItemsOneAtATime()
{
    ItemModel model(ItemModel::InputModel, 0);
    model.appendEmptyRows(3);
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.indexOf(nullptr), -1); // an empty row is no item's row

    auto* item = new Item("b", Item::StringType);
    QVERIFY(model.placeItem(1, item));
    QCOMPARE(item->row(), 1);
    Item other("c", Item::StringType);
    QVERIFY(!model.placeItem(1, &other)); // taken
    QVERIFY(!model.placeItem(3, &other));
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    item->setValue("B");
    QCOMPARE(changed.count(), 1);

    QPointer<Item> placed = item;
    model.emptyRow(1);
    QVERIFY(placed.isNull());
    QCOMPARE(model.item(1), nullptr);
    QVERIFY(model.placeItem(1, new Item("b", Item::StringType)));
}

QTEST_MAIN(ItemModelTest)
#include "test_itemmodel.moc"
