// A port's list in view while a batch appends one row per step, with the event loop turning in between.
#include <QtTest>
#include <QtWidgets>

#include "mainwindow/itemlistview.h"

namespace {

class CountingView : public VORNE::ItemListView
{
public:
    using ItemListView::ItemListView;
    void doItemsLayout() override
    {
        ++layouts;
        ItemListView::doItemsLayout();
    }
    int layouts = 0;
};

bool shown(const QListView& view, int row)
{
    const QModelIndex index = view.model()->index(row, 0);
    const QRect rect = view.visualRect(index);
    return rect.isValid() && view.indexAt(rect.center()) == index;
}

} // namespace

class ItemListViewTest : public QObject
{
    Q_OBJECT

private slots:
    void rowsAppendedStepByStepAreLaidOutTogether()
    {
        QStandardItemModel model;
        CountingView view;
        view.setUniformItemSizes(true);
        view.setModel(&model);
        view.resize(200, 4000);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        model.appendRow(new QStandardItem(QStringLiteral("first")));
        QTRY_VERIFY(shown(view, 0));

        const int before = view.layouts;
        QElapsedTimer clock;
        clock.start();
        for (int row = 1; row <= 200; ++row) {
            model.appendRow(new QStandardItem(QString::number(row)));
            QCoreApplication::processEvents();
        }
        const int layouts = view.layouts - before;
        QVERIFY2(layouts <= clock.elapsed() / 100 + 2, qPrintable(QString::number(layouts)));
        QTRY_VERIFY(shown(view, 200));

        // Rows removed while appended ones are held back: what is left is laid out, nothing stale.
        model.appendRow(new QStandardItem(QStringLiteral("held")));
        model.removeRows(0, 5);
        QTRY_VERIFY(shown(view, model.rowCount() - 1));
        QCOMPARE(view.model()->index(model.rowCount() - 1, 0).data().toString(), QStringLiteral("held"));
        QVERIFY(shown(view, 0));
        QCOMPARE(view.indexAt(view.visualRect(model.index(0, 0)).center()).data().toString(), QStringLiteral("5"));
    }
};

QTEST_MAIN(ItemListViewTest)
#include "test_itemlistview.moc"
