// The row under an input list that chooses the channel and time point of the port's stacks, and a run on
// a two-channel hyperstack with and without it.
#include "mainwindow/planechoicerow.h"
#include "tiffpages.h"
#include "vornetest.h"

class PlaneChoiceRowTest : public QObject
{
    Q_OBJECT

private slots:
    void theRowChoosesThePortsPlanesForARun()
    {
        QTemporaryDir dir;
        const QString stack = dir.filePath("two.tif");
        tiffpages::WriteHyperstack(stack.toStdString(), 2, 5, 1);
        PVorne w;
        QVERIFY(w.loadGraph(graph("blur_otsu.ogr")));
        VORNE::ItemModel* port = inputs(w, 0);
        port->appendItem(new VORNE::Item(stack, VORNE::Item::ImageFileType));
        auto* row = child<QTabWidget>(w, "input_tabWidget")->widget(0)->findChild<VORNE::PlaneChoiceRow*>();
        QVERIFY(row);
        runToEnd(w);
        const QString refused = outputs(w, 0)->item(0)->data(VORNE::Item::InputErrorRole).toString();
        QVERIFY2(refused.contains("C=2, Z=5, T=1") && refused.contains("in the window: the row under the port's list"),
                 qPrintable(refused));

        child<QSpinBox>(*row, "channel_spinBox")->setValue(1);
        QVERIFY(!port->hasPlaneChoice());
        child<QCheckBox>(*row, "plane_checkBox")->setChecked(true);
        QCOMPARE(port->loadConfig().channel, 1);
        invoke(w, "Run");
        QVERIFY(!row->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(idle(w), 60000);
        QVERIFY(row->isEnabled());
        const VORNE::Item* mask = outputs(w, 0)->item(0);
        QCOMPARE(mask->errorMessage(), QString());
        const std::unique_ptr<KORA::CImage> result(KORA::CImageIo2::Load(mask->valueText().toLocal8Bit().constData()));
        QCOMPARE(result->Size().Depth(), 5);

        child<QCheckBox>(*row, "plane_checkBox")->setChecked(false);
        QCOMPARE(outputs(w, 0)->rowCount(), 0);
    }
};

QTEST_MAIN(PlaneChoiceRowTest)
#include "test_planechoicerow.moc"
