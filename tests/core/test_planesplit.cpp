// A hyperstack split into one Z stack per channel and time point, and the files it refuses.
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "executor/planesplit.h"
#include "kora/kora.h"
#include "tiffpages.h"

using namespace VORNE;

class PlaneSplitTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { KORA::VexInit(-1); }

    // 2 channels x 3 time points x 4 planes; page c + 2 (z + 4 t) holds that number plus one.
    void everyChannelAndTimePointBecomesAStack()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("cells.ome.tif");
        tiffpages::WriteHyperstack(file.toStdString(), 2, 4, 3);
        QVERIFY(QDir(dir.path()).mkdir("parts"));
        const PlaneSplit split = splitPlanes(file, dir.filePath("parts"));
        QCOMPARE(split.error, QString());
        QCOMPARE(split.written.size(), 6);
        for (int c = 0; c < 2; ++c)
            for (int t = 0; t < 3; ++t) {
                const QString part = dir.filePath(QStringLiteral("parts/cells_c%1_t%2.tif").arg(c).arg(t));
                QCOMPARE(split.written.at(c * 3 + t), part);
                const std::unique_ptr<KORA::CImage> stack(KORA::CImageIo2::Load(part.toLocal8Bit().constData()));
                QCOMPARE(stack->Size(), KORA::CSize(4, 3, 4));
                QCOMPARE(int(stack->Row<uint8_t>(2, 3)[1]), c + 2 * (3 + 4 * t) + 1);
                QCOMPARE(stack->Attributes().EntryDouble("pixel_size_x"), 0.5);
                QCOMPARE(stack->Attributes().EntryDouble("pixel_size_z"), 2.0);
            }
        // A second split would replace the first one's files: refused, the files stay as they were.
        const PlaneSplit again = splitPlanes(file, dir.filePath("parts"));
        QVERIFY(again.written.isEmpty());
        QVERIFY2(again.error.contains("cells_c0_t0.tif") && again.error.contains("exists"), qPrintable(again.error));
    }

    void filesWithoutAxesAndBrokenFilesAreRefusedByName()
    {
        QTemporaryDir dir;
        const std::string plain = dir.filePath("plain.tif").toStdString();
        tiffpages::WritePages(plain, {cv::Mat(3, 4, CV_8UC1), cv::Mat(3, 4, CV_8UC1)}, {});
        const std::string cut = dir.filePath("cut.tif").toStdString();
        tiffpages::WriteHyperstack(cut, 2, 2, 1);
        QFile(QString::fromStdString(cut)).resize(200);
        for (const auto& [file, reason] : {std::make_pair(plain, "nothing to split"), std::make_pair(cut, "")}) {
            const PlaneSplit split = splitPlanes(QString::fromStdString(file), dir.path());
            QVERIFY2(split.error.startsWith(QString::fromStdString(file)) && split.error.contains(reason),
                     qPrintable(split.error));
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
        }
    }
};

QTEST_GUILESS_MAIN(PlaneSplitTest)
#include "test_planesplit.moc"
