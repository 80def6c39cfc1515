#include "vornetest.h"
#include "mainwindow/itemdecoration.h"

using VORNE::Item;
using VORNE::ItemModel;

class ItemDecorationTest : public QObject
{
    Q_OBJECT

private slots:
    void fontAndIconFollowState()
    {
        // As the main widget does when it is created.
        Item::setDecoration(&VORNE::itemDecoration);
        auto* item = new Item("a.png", Item::ImageFileType);
        QCOMPARE(item->data(Qt::FontRole).value<QFont>().italic(), false);
        item->setDisplayState(Item::DisplayedVisible);
        const QFont font = item->data(Qt::FontRole).value<QFont>();
        QVERIFY(font.italic());
        QCOMPARE(int(font.weight()), int(QFont::Bold)); // 75 on Qt 5's scale, 700 on Qt 6's
        QVERIFY(!item->data(Qt::EditRole).isValid());
        // No fixed text colour: the list's palette decides, so a dark theme stays readable.
        QCOMPARE(item->data(Qt::ForegroundRole).value<QBrush>(), QBrush());

        // An ok item shows a tick only in an output list.
        QVERIFY(!item->data(Qt::DecorationRole).isValid());
        ItemModel outputs(ItemModel::OutputModel, 0);
        outputs.appendItem(item);
        QVERIFY(!item->data(Qt::DecorationRole).value<QIcon>().isNull());
        item->setStatus(Item::ErrorStatus);
        QVERIFY(!item->data(Qt::DecorationRole).value<QIcon>().isNull());
    }
};

QTEST_MAIN(ItemDecorationTest)
#include "test_itemdecoration.moc"
