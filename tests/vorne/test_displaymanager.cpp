#include <algorithm>

#include "vornetest.h"
#include "viewers/displaymanager.h"
#include "viewers/abstractdisplay.h"
#include "viewers/displaytoolbar.h"
#include "viewers/plot.h"
#include "viewers/scatterplot.h"

using namespace VORNE;

namespace {

constexpr int In = ItemModel::InputModel;
constexpr int Out = ItemModel::OutputModel;

QListView* listView(PVorne& w, int direction, int port)
{
    return view(w, direction == In ? "input_tabWidget" : "output_tabWidget", port);
}

// A port's list filled with count whole numbers, port p holding 100 p, 100 p + 1, ...
ItemModel* fill(PVorne& w, int direction, int port, int count)
{
    auto* model = qobject_cast<ItemModel*>(listView(w, direction, port)->model());
    for (int i = 0; i < count; ++i)
        model->appendItem(new Item(QString::number(100 * port + i), Item::LongType));
    return model;
}

bool shaking(QObject* viewer)
{
    const auto timers = QAbstractEventDispatcher::instance()->registeredTimers(viewer);
    return std::any_of(timers.begin(), timers.end(), [](const auto& timer) { return timer.interval == 25; });
}

QStringList ports(AbstractDisplay* viewer)
{
    QStringList entries;
    for (int i = 0; i < viewer->toolbar()->m_portComboBox->count(); ++i)
        entries << viewer->toolbar()->m_portComboBox->itemText(i);
    return entries;
}

// Right-click on the viewer's toolbar and pick that kind from the menu.
void pickKindFromContextMenu(AbstractDisplay* viewer, const QString& kind)
{
    QTimer::singleShot(0, [kind] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        for (QAction* action : menu->actions()) {
            if (action->text() == kind)
                menu->setActiveAction(action);
        }
        QTest::keyClick(menu, Qt::Key_Return);
    });
    QWidget* bar = viewer->toolbar();
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2), bar->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(bar, &event);
}

} // namespace

class DisplayManagerTest : public QObject
{
    Q_OBJECT

private slots:
    void reloadsFollowPortCounts()
    {
        PVorne w;
        auto* manager = w.findChild<DisplayManager*>();
        QVERIFY(manager && !manager->viewer(In, 0));
        QVERIFY(w.loadGraph(graph("two_inputs.ogr")));
        QPointer<AbstractDisplay> in1 = manager->viewer(In, 1), out0 = manager->viewer(Out, 0),
                                  out2 = manager->viewer(Out, 2);
        QVERIFY(in1 && out0 && out2 && !manager->viewer(In, 2) && !manager->viewer(Out, 3) && !out0->isVisible());
        QCOMPARE(ports(out2), QStringList({"Input 0: a", "Input 1: b", "Output 0: blended", "Output 1: statistics a",
                                           "Output 2: statistics b"}));
        QCOMPARE(out2->toolbar()->m_portComboBox->currentIndex(), 4);
        out0->setSynced(false);

        QVERIFY(w.loadGraph(graph("count_cells.ogr")));
        QVERIFY(!in1 && !out2 && out0 && !out0->isSynced());
        QCOMPARE(manager->viewer(Out, 0), out0.data());
        QCOMPARE(ports(out0), QStringList({"Input 0: image", "Output 0: mask", "Output 1: count"}));

        fill(w, In, 0, 1);
        w.showImage(inputs(w, 0)->index(0, 0));
        QVERIFY(w.loadGraph(graph("two_inputs.ogr")));
        QCOMPARE(ports(manager->viewer(In, 1)).size(), 5);
        QCOMPARE(manager->viewer(Out, 0), out0.data());
        QCOMPARE(manager->viewer(In, 0)->windowTitle(), QString(" - Input 0: a - VORNE")); // renamed port

        // A failed load removes the lists without announcing a reload; a visible viewer asking for more must
        // not reach the deleted lists.
        ItemModel* a = fill(w, In, 0, 2);
        w.showImage(a->index(0, 0));
        AbstractDisplay* in0 = manager->viewer(In, 0);
        QVERIFY(in0->isVisible());
        QVERIFY(!w.loadGraph(graph("missing.ogr")));
        in0->show();
        in0->toolbar()->m_nextButton->click();
        QVERIFY(shaking(in0) && !in0->item());
    }

    void syncedViewersStepTogether()
    {
        PVorne w;
        QVERIFY(w.loadGraph(graph("two_inputs.ogr")));
        auto* manager = w.findChild<DisplayManager*>();
        ItemModel* a = fill(w, In, 0, 3);
        ItemModel* b = fill(w, In, 1, 2);
        ItemModel* blended = fill(w, Out, 0, 3);
        AbstractDisplay *va = manager->viewer(In, 0), *vb = manager->viewer(In, 1), *vo = manager->viewer(Out, 0);

        w.showImage(a->index(2, 0));
        QVERIFY(va->isVisible() && !vb->isVisible() && !vo->isVisible());
        QCOMPARE(va->item(), a->item(2));
        QCOMPARE(vo->item(), blended->item(2)); // stored while hidden
        QCOMPARE(blended->item(2)->data(Item::DisplayStateRole).toInt(), int(Item::DisplayedHidden));
        QVERIFY(shaking(vb) && !vb->item() && !shaking(va));

        // Past the last item: every port lacks it, all shake and stay.
        va->toolbar()->m_nextButton->click();
        QVERIFY(shaking(va) && shaking(vo));
        QCOMPARE(va->item(), a->item(2));
        QCOMPARE(vo->item(), blended->item(2));

        va->toolbar()->m_prevButton->click();
        QCOMPARE(va->item(), a->item(1));
        QCOMPARE(vb->item(), b->item(1));
        QCOMPARE(vo->item(), blended->item(1));

        vb->toolbar()->m_indexSpinBox->setValue(1); // typed item number 1 of port b
        QVERIFY(vb->isVisible());
        QCOMPARE(va->item(), a->item(0));
        QCOMPARE(vo->item(), blended->item(0));
    }

    void unsyncedViewerIsLeftAlone()
    {
        PVorne w;
        QVERIFY(w.loadGraph(graph("two_inputs.ogr")));
        auto* manager = w.findChild<DisplayManager*>();
        ItemModel* a = fill(w, In, 0, 3);
        ItemModel* blended = fill(w, Out, 0, 2);
        w.showImage(blended->index(0, 0));
        AbstractDisplay *va = manager->viewer(In, 0), *vo = manager->viewer(Out, 0);
        vo->toolbar()->m_syncButton->click();
        QVERIFY(!vo->isSynced());
        QTRY_VERIFY(!shaking(vo));

        w.showImage(a->index(1, 0));
        QCOMPARE(vo->item(), blended->item(0));
        QVERIFY(!shaking(vo));
        w.showImage(a->index(2, 0)); // a number its port lacks: shaken, not moved
        QVERIFY(shaking(vo));
        QCOMPARE(vo->item(), blended->item(0));

        vo->toolbar()->m_nextButton->click(); // moves itself only
        QCOMPARE(vo->item(), blended->item(1));
        QCOMPARE(va->item(), a->item(2));
    }

    void kindChangeKeepsPlaceSyncAndIndex()
    {
        PVorne w;
        QVERIFY(w.loadGraph(graph("two_inputs.ogr")));
        auto* manager = w.findChild<DisplayManager*>();
        ItemModel* a = inputs(w, 0);
        for (int i = 0; i < 3; ++i)
            a->appendItem(new Item(QStringLiteral("[1, 4, 2]"), Item::VectorType));
        w.showImage(a->index(1, 0));
        QPointer<AbstractDisplay> old = manager->viewer(In, 0);
        old->setSynced(false);
        const QRect place(120, 130, 640, 480); // above the plug-ins' own minimum sizes
        old->setGeometry(place);

        // A plot's first picture would fit the window to its content.
        old->toolbar()->m_displayTypeComboBox->setCurrentText("plot::Plot");
        AbstractDisplay* plot = manager->viewer(In, 0);
        QVERIFY(qobject_cast<Plot*>(plot) && plot->isVisible() && !plot->isSynced() && plot->centralWidget());
        QCOMPARE(plot->geometry(), place);
        QCOMPARE(plot->item(), a->item(1));
        QTRY_VERIFY(!old);
        QCOMPARE(a->item(1)->data(Item::DisplayStateRole).toInt(), int(Item::DisplayedVisible));

        pickKindFromContextMenu(plot, "display::ScatterPlot");
        AbstractDisplay* scatter = manager->viewer(In, 0);
        QVERIFY(qobject_cast<ScatterPlot*>(scatter));
        QCOMPARE(scatter->geometry(), place);
        QCOMPARE(scatter->toolbar()->m_displayTypeComboBox->currentText(), QString("display::ScatterPlot"));

        emit scatter->changeDisplayType("display::Nothing");
        QCOMPARE(manager->viewer(In, 0), scatter);
        QVERIFY(shaking(scatter));
    }

    void portSelectorOpensWithoutMovingOthers()
    {
        PVorne w;
        QVERIFY(w.loadGraph(graph("two_inputs.ogr")));
        auto* manager = w.findChild<DisplayManager*>();
        ItemModel* a = fill(w, In, 0, 3);
        ItemModel* b = fill(w, In, 1, 2);
        AbstractDisplay *va = manager->viewer(In, 0), *vb = manager->viewer(In, 1), *vo = manager->viewer(Out, 1);
        w.showImage(a->index(0, 0));
        va->toolbar()->m_indexSpinBox->setValue(3); // b lacks it and keeps its item 1
        QTRY_VERIFY(!shaking(va));

        va->toolbar()->m_portComboBox->setCurrentIndex(1);
        QVERIFY(vb->isVisible() && !shaking(va));
        QCOMPARE(vb->item(), b->item(0));
        QCOMPARE(va->item(), a->item(2));

        // A viewer that never got an item still counts its port's items and takes a typed number.
        ItemModel* stats = fill(w, Out, 1, 2);
        va->toolbar()->m_portComboBox->setCurrentIndex(3);
        QVERIFY(vo->isVisible() && !vo->item());
        QCOMPARE(vo->toolbar()->m_countLabel->text(), QString(" of 2"));
        vo->toolbar()->m_indexSpinBox->setValue(2);
        QCOMPARE(vo->item(), stats->item(1));

        // Stepping from none starts at the port's first item instead of asking for item -1.
        ItemModel* blended = fill(w, Out, 0, 1);
        AbstractDisplay* vblended = manager->viewer(Out, 0);
        vblended->setSynced(false);
        vblended->show();
        vblended->toolbar()->m_nextButton->click();
        QCOMPARE(vblended->item(), blended->item(0));
    }

    void outputViewersReopenAfterARun()
    {
        PVorne w;
        QVERIFY(w.loadGraph(graph("count_cells.ogr")));
        for (int n = 1; n <= 3; ++n)
            inputs(w, 0)->appendItem(new Item(source(QString("examples/data/cells_%1.png").arg(n)), Item::ImageFileType));
        auto* manager = w.findChild<DisplayManager*>();
        runToEnd(w);
        w.showImage(outputs(w, 1)->index(2, 0));
        AbstractDisplay* viewer = manager->viewer(Out, 1);
        emit viewer->changeDisplayType("plot::Plot");
        viewer = manager->viewer(Out, 1);
        viewer->setSynced(false);
        const QRect place(140, 150, 380, 290);
        viewer->setGeometry(place);

        invoke(w, "Run");
        QVERIFY(!viewer->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(idle(w), 60000);
        QVERIFY(viewer->isVisible() && !viewer->isSynced());
        QCOMPARE(manager->viewer(Out, 1), viewer);
        QCOMPARE(viewer->item(), outputs(w, 1)->item(2));
        QCOMPARE(viewer->geometry(), place);

        // Opened and closed by hand while the run goes on: it stays closed.
        invoke(w, "Run");
        QTRY_VERIFY_WITH_TIMEOUT(outputs(w, 1)->rowCount() > 0, 60000);
        w.showImage(outputs(w, 1)->index(0, 0));
        viewer->close();
        QTRY_VERIFY_WITH_TIMEOUT(idle(w), 60000);
        QVERIFY(!viewer->isVisible());
    }

    void doubleClickOpensThePortsViewer()
    {
        PVorne w;
        QVERIFY(w.loadGraph(graph("two_inputs.ogr")));
        auto* manager = w.findChild<DisplayManager*>();
        ItemModel* model = fill(w, Out, 2, 2);

        w.show();
        QListView* view = listView(w, Out, 2);
        w.findChild<QTabWidget*>("input_output_tabWidget")->setCurrentIndex(2);
        w.findChild<QTabWidget*>("output_tabWidget")->setCurrentIndex(2);
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QPoint at = view->visualRect(model->index(1, 0)).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);

        AbstractDisplay* viewer = manager->viewer(Out, 2);
        QVERIFY(viewer->isVisible());
        QCOMPARE(viewer->item(), model->item(1));
    }
};

QTEST_MAIN(DisplayManagerTest)
#include "test_displaymanager.moc"
