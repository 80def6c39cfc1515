#include <QDir>
#include <QFileInfo>
#include <QtTest>

#include <memory>

#include "executor/outputnaming.h"
#include "items/item.h"
#include "items/itemmodel.h"
#include "kora/kora.h"
#include "streamcapture.h"

using namespace VORNE;

Q_DECLARE_METATYPE(KORA::ImageType)

namespace {

constexpr int kNoImage = -1;

// "NAME@ROW": the text %i stands for and the row %n stands for.
QList<NamingInput> naming(const QStringList& entries)
{
    QList<NamingInput> inputs;
    for (const QString& entry : entries)
        inputs.append({entry.section('@', 0, 0), entry.section('@', 1).toInt()});
    return inputs;
}

} // namespace

class OutputNamingTest : public QObject
{
    Q_OBJECT

private slots:
    void patterns_data();
    void patterns();
    void suffixTable_data();
    void suffixTable();
    void patternPerPortOrFirst();
    void namingInputOfItems();
    void withoutPatternsATemporaryName();
};

void OutputNamingTest::patterns_data()
{
    QTest::addColumn<QString>("directory");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("imageType");
    QTest::addColumn<QString>("expectedName");

    const QStringList cell{"cell.a@-1"};
    QTest::newRow("input base name, port, png") << "D:/out" << "%i0_%o" << ".png" << cell << 1
                                                 << int(KORA::IMAGE_GREY_8) << "cell.a_1.png";
    QTest::newRow("no image, no suffix") << "D:/out" << "%i0_%o" << ".png" << cell << 1 << kNoImage << "cell.a_1";
    QTest::newRow("bare %i of a number is its row, %n too")
        << "" << "%i_%n" << "" << QStringList{"4@4"} << 0 << kNoImage << "4_4";
    QTest::newRow("%i1 names the second input")
        << "" << "%i1" << "" << QStringList{"0@0", "b@-1"} << 0 << kNoImage << "b";
    QTest::newRow("%n follows the input %i names")
        << "" << "%i1-%n" << "" << QStringList{"2@2", "7@7"} << 0 << kNoImage << "7-7";
    QTest::newRow("%i1 without a second input stays") << "" << "%i1" << "" << QStringList{"0@0"} << 0
                                                      << kNoImage << "%i1";
    QTest::newRow("only the first %i token is replaced")
        << "" << "%i0_%i1" << "" << QStringList{"a@-1", "b@-1"} << 0 << kNoImage << "a_%i1";
    QTest::newRow("bare %i also replaces the start of %i1")
        << "" << "%i_%i1" << "" << QStringList{"a@-1"} << 0 << kNoImage << "a_a1";
    QTest::newRow("a repeated placeholder is replaced everywhere")
        << "" << "%i0_%o_%i0_%d" << "" << QStringList{"a.b@-1"} << 1 << kNoImage << "a.b_1_a.b_1";
    QTest::newRow("%n without %i is the first input's row")
        << "" << "out%n" << "" << QStringList{"3@3", "9@9"} << 0 << kNoImage << "out3";
    QTest::newRow("%n without inputs stays") << "" << "out%n" << "" << QStringList{} << 0 << kNoImage << "out%n";
    QTest::newRow("placeholders are case-sensitive, others stay")
        << "" << "%I0%O%D%N%x%%" << "" << cell << 1 << kNoImage << "%I0%O%D%N%x%%";
    QTest::newRow("directory with spaces, used literally")
        << "/tmp/my out %o" << "%i0" << ".jpg" << cell << 0 << int(KORA::IMAGE_RGB_8) << "cell.a.jpg";
}

void OutputNamingTest::patterns()
{
    QFETCH(QString, directory);
    QFETCH(QString, pattern);
    QFETCH(QString, suffix);
    QFETCH(QStringList, inputs);
    QFETCH(int, port);
    QFETCH(int, imageType);
    QFETCH(QString, expectedName);

    std::unique_ptr<KORA::CImage> image;
    if (imageType != kNoImage)
        image = std::make_unique<KORA::CImage>(static_cast<KORA::ImageType>(imageType), KORA::CSize(2, 2));
    const QString name = outputFilename({{directory, pattern, suffix}}, port, naming(inputs), image.get());
    QCOMPARE(name, directory.isEmpty() ? expectedName : directory + QDir::separator() + expectedName);
}

void OutputNamingTest::suffixTable_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<KORA::ImageType>("type");
    QTest::addColumn<qint64>("depth");
    QTest::addColumn<QString>("expected");

    // One row per branch of the rule: the type picks ".pxm"'s kind, float needs a .tif, complex and volumes
    // an .iass.gz, and the fixed suffixes hold for every image.
    QTest::newRow("grey .pxm") << ".pxm" << KORA::IMAGE_GREY_8 << qint64(1) << ".pgm";
    QTest::newRow("grey 16 .pxm") << ".pxm" << KORA::IMAGE_GREY_16 << qint64(1) << ".tif";
    QTest::newRow("colour .pxm") << ".pxm" << KORA::IMAGE_RGB_8 << qint64(1) << ".ppm";
    QTest::newRow("binary .pxm") << ".pxm" << KORA::IMAGE_BINARY_FG << qint64(1) << ".pbm";
    QTest::newRow("grey .png kept") << ".png" << KORA::IMAGE_GREY_8 << qint64(1) << ".png";
    QTest::newRow("float .png") << ".png" << KORA::IMAGE_GREY_F << qint64(1) << ".tif";
    QTest::newRow("complex .png") << ".png" << KORA::IMAGE_COMPLEX_F << qint64(1) << ".iass.gz";
    QTest::newRow("volume .jpg") << ".jpg" << KORA::IMAGE_RGB_8 << qint64(3) << ".iass.gz";
    QTest::newRow("volume fixed .tiff") << ".tiff" << KORA::IMAGE_GREY_8 << qint64(3) << ".tiff";
    QTest::newRow("complex fixed .iass") << ".iass" << KORA::IMAGE_COMPLEX_F << qint64(1) << ".iass";
    QTest::newRow("suffix comparison is exact") << ".TIFF" << KORA::IMAGE_GREY_8 << qint64(2) << ".iass.gz";
}

void OutputNamingTest::suffixTable()
{
    QFETCH(QString, suffix);
    QFETCH(KORA::ImageType, type);
    QFETCH(qint64, depth);
    QFETCH(QString, expected);
    QCOMPARE(outputSuffix(suffix, type, depth), expected);
    // The same through the whole naming, with a real image.
    const KORA::CImage image(type, KORA::CSize(2, 2, depth));
    QCOMPARE(outputFilename({{"", "x", suffix}}, 0, {}, &image), "x" + expected);
}

void OutputNamingTest::patternPerPortOrFirst()
{
    const QList<OutputPattern> patterns{{"", "first%o", ""}, {"", "second%o", ""}, {"", "third%o", ""}};
    QCOMPARE(outputFilename(patterns, 1, {}, nullptr), QString("second1"));
    QCOMPARE(outputFilename(patterns, 5, {}, nullptr), QString("first5"));
    QCOMPARE(outputFilename(patterns, -1, {}, nullptr), QString("first-1"));
}

// An image file stands for its name without the last suffix, anything else for its row; -1 outside a list.
void OutputNamingTest::namingInputOfItems()
{
    ItemModel model(ItemModel::InputModel, 0);
    model.appendItem(new Item("7", Item::LongType));
    model.appendItem(new Item("C:/data/cell.a.tif", Item::ImageFileType));
    const Item loose("x/y/b.tif", Item::ImageFileType);
    for (const auto& [item, name, row] : {std::tuple<const Item*, QString, int>{model.item(0), "0", 0},
                                          {model.item(1), "cell.a", 1}, {&loose, "b", -1}, {nullptr, "-1", -1}}) {
        QCOMPARE(namingInput(item).name, name);
        QCOMPARE(namingInput(item).row, row);
    }
}

void OutputNamingTest::withoutPatternsATemporaryName()
{
    StreamCapture err(2);
    const KORA::CImage image(KORA::IMAGE_GREY_8, KORA::CSize(2, 2));
    const QString first = outputFilename({}, 0, {}, &image);
    const QString second = outputFilename({}, 0, {}, &image);
    QVERIFY(err.text().contains("GraphExecutor: No output patterns given! Falling back to temporary files.\n"));
    QVERIFY(first != second);
    QCOMPARE(QFileInfo(first).absolutePath(), QFileInfo(QDir::tempPath()).absoluteFilePath());
    QVERIFY(!QFileInfo::exists(first)); // only the name is reserved; no suffix is added
}

QTEST_MAIN(OutputNamingTest)
#include "test_outputnaming.moc"
