// The window's results table against vorne-batch's for the same batch.

#include <memory>

#include "../results/tablelines.h"
#include "kora/kora.h"
#include "mainwindow/resultsbar.h"
#include "vornetest.h"

using VORNE::Item;

class ResultsBarTest : public QObject
{
    Q_OBJECT

private slots:
    void sameTableAsTheBatchRunner()
    {
        QTemporaryDir dir;
        const QString out = dir.filePath("out");
        PVorne w;
        QVERIFY(w.loadGraph(graph("count_cells.ogr")));
        QStringList arguments{"-o", out, "--suffix", ".png", "--table", dir.filePath("batch.csv"), graph("count_cells.ogr")};
        // One input with a pixel size, which the window must take from its own loading as vorne-batch does.
        const QString withSize = dir.filePath("cells_1.tif");
        std::unique_ptr<KORA::CImage> image(KORA::CImageIo2::Load(source("examples/data/cells_1.png").toLocal8Bit().constData()));
        image->Attributes().SetEntry("pixel_size_x", new KORA::CValueDouble(0.65));
        image->Attributes().SetEntry("pixel_unit", new KORA::CValueString("µm"));
        KORA::CImageIo2::Save(withSize.toLocal8Bit().constData(), *image);
        for (int n = 1; n <= 4; ++n) {
            const QString file = n == 1 ? withSize : source(QString("examples/data/cells_%1.png").arg(n));
            inputs(w, 0)->appendItem(new Item(file, Item::ImageFileType));
            arguments << "-i" << "0=" + file;
        }
        QVERIFY(QDir().mkpath(out));
        auto* patterns = child<QWidget>(w, "output_filename_pattern_widget");
        child<QLineEdit>(*patterns, "directory_lineEdit")->setText(out);
        child<QComboBox>(*patterns, "suffix_comboBox")->setCurrentText(".png");
        auto* bar = w.findChild<VORNE::ResultsBar*>();
        QVERIFY(!child<QPushButton>(*bar, "export_table_pushButton")->isEnabled());
        runToEnd(w);
        QVERIFY(child<QPushButton>(*bar, "export_table_pushButton")->isEnabled());
        bar->saveTable(dir.filePath("window.csv"));

        QProcess batch;
        batch.start(VORNE_BATCH_PROGRAM, arguments);
        QVERIFY(batch.waitForFinished(60000));
        QCOMPARE(batch.exitCode(), 0);
        const QStringList table = withoutTimes(dir.filePath("window.csv"));
        QCOMPARE(table.size(), 5);
        QVERIFY2(table.first().startsWith("index,input 0: image,output 0: mask,output 1: count,status"), qPrintable(table.first()));
        QVERIFY2(table.at(1).endsWith(",0.65 x 0.65,µm"), qPrintable(table.at(1)));
        QCOMPARE(table, withoutTimes(dir.filePath("batch.csv")));
    }
};

QTEST_MAIN(ResultsBarTest)
#include "test_resultsbar.moc"
