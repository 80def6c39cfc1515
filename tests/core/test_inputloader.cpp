// The same file gives the same pixels in a run (input loading) and in a viewer (the item's conversion),
// for every format the format registry knows.
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <memory>

#include "executor/graphexecutor.h"
#include "executor/inputcache.h"
#include "items/imageloaders.h"
#include "items/item.h"
#include "items/itemmodel.h"
#include "kora/kora.h"

using namespace VORNE;

namespace {

class InputProbe : public GraphExecutor
{
public:
    using GraphExecutor::loadInput;
};

// A file the image writer makes in the first of these types the format holds.
bool writeWithCodec(const std::string& path)
{
    for (KORA::ImageType type : {KORA::IMAGE_GREY_8, KORA::IMAGE_RGB_8, KORA::IMAGE_BOOL, KORA::IMAGE_GREY_F}) {
        KORA::CImage image(type, KORA::CSize(40, 33)); // OpenCV's JPEG 2000 encoder wants 32 each way
        for (std::size_t i = 0; i < image.TotalBytes(); ++i)
            image.Data()[i] = uint8_t(type == KORA::IMAGE_BOOL ? i % 2 : i * 37);
        if (type == KORA::IMAGE_GREY_F)
            for (int i = 0; i < 40 * 33; ++i)
                reinterpret_cast<float*>(image.Data())[i] = float(i) / 4;
        try {
            KORA::CImageIo2::Save(path.c_str(), image);
            return true;
        } catch (const KORA::CException&) {
        }
    }
    return false;
}

const KORA::CImage* imageOf(const KORA::CValue* value)
{
    return value ? KORA::UnwrapPointer<KORA::CImage>(value) : nullptr;
}

} // namespace

class InputLoaderTest : public QObject
{
    Q_OBJECT

private slots:
    void sameImageInRunAndViewer_data();
    void sameImageInRunAndViewer();
    void loaderTableAgreesWithTheRegistry();
    void portsChooseThePlane();
};

void InputLoaderTest::sameImageInRunAndViewer_data()
{
    QTest::addColumn<QString>("extension");
    for (const KORA::StFileFormat& format : KORA::CFormatRegistry::Formats())
        QTest::newRow(format.extension) << QString::fromLatin1(format.extension);
}

void InputLoaderTest::sameImageInRunAndViewer()
{
    QFETCH(QString, extension);
    QTemporaryDir dir;
    // A sample file where the image writer cannot make one; text samples hold commas, which the text-image
    // rules cut, so that both ways must agree on the cut too.
    const QString sample = qEnvironmentVariable("VORNE_SOURCE_DIR") + "/tests/data/file" + extension;
    const std::string path = QFile::exists(sample) ? sample.toStdString() : dir.filePath("file" + extension).toStdString();
    if (!QFile::exists(sample))
        QVERIFY2(writeWithCodec(path), "a new format needs a sample file in tests/data");
    Item item(QString::fromStdString(path), Item::ImageFileType);
    InputProbe run;
    const std::unique_ptr<KORA::CValue> viewerValue(item.toCValue());
    const std::unique_ptr<KORA::CValue> runValue(run.loadInput(&item));
    const KORA::CImage* viewer = imageOf(viewerValue.get());
    const KORA::CImage* input = imageOf(runValue.get());
    QVERIFY(viewer && input);
    QVERIFY(viewer->Size().Count() > 0);
    QVERIFY(viewer->SamePixels(*input));
    QCOMPARE(viewer->Attributes().HasEntry("warning"), input->Attributes().HasEntry("warning"));
}

// Where both name a plug-in for an extension, it is the same entry; cine recordings go to the same entry
// in two libraries built from one reader.
void InputLoaderTest::loaderTableAgreesWithTheRegistry()
{
    for (const LoaderRow& row : imageLoaderTable()) {
        const KORA::StFileFormat* format = KORA::CFormatRegistry::Find("file." + row.extension);
        if (!format || !*format->plugin)
            continue;
        const std::string entry = row.plugin.substr(row.plugin.find("::"));
        QVERIFY2(format->reader == KORA::FileReader::Cine ? entry == std::string(std::strstr(format->plugin, "::"))
                                                          : row.plugin == format->plugin,
                 row.extension.c_str());
    }
    // A run parses exactly these text images itself, by their suffix.
    QStringList textImages;
    for (const KORA::StFileFormat& format : KORA::CFormatRegistry::Formats())
        if (format.reader == KORA::FileReader::TextImage)
            textImages << QString::fromLatin1(format.extension);
    QCOMPARE(textImages, QStringList({".asc", ".mark", ".txt"}));
}

// A time-lapse file loads only with its port's choice, in the viewer and in a run alike.
void InputLoaderTest::portsChooseThePlane()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("lapse.tif");
    KORA::CImage stack(KORA::IMAGE_GREY_8, KORA::CSize(4, 3, 6));
    for (std::size_t i = 0; i < stack.TotalBytes(); ++i)
        stack.Data()[i] = uint8_t(i / 12);
    KORA::CImageIo2::Save(path.toLocal8Bit().constData(), stack);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    const QByteArray bytes = file.readAll().replace("slices=6", "frames=6"); // six time points of one plane
    file.seek(0);
    file.write(bytes);
    file.close();
    ItemModel port(ItemModel::InputModel, 0);
    auto* item = new Item(path, Item::ImageFileType);
    port.appendItem(item);
    QString reason;
    QVERIFY(!std::unique_ptr<KORA::CValue>(item->toCValue(&reason)));
    QVERIFY2(reason.contains("--time PORT=T"), qPrintable(reason));
    port.setPlaneChoice(0, 4);
    InputProbe run;
    const std::unique_ptr<KORA::CValue> viewer(item->toCValue()), inRun(run.loadInput(item));
    for (const KORA::CValue* value : {viewer.get(), inRun.get()}) {
        const KORA::CImage* image = imageOf(value);
        QVERIFY(image && image->Size() == KORA::CSize(4, 3, 1));
        QCOMPARE(int(image->Data()[0]), 4);
    }
    // Time point 4 of a plain file does not exist: decoding it ahead without the choice would hide that.
    KORA::CImageIo2::Save(dir.filePath("plain.tif").toLocal8Bit().constData(), KORA::CImage(KORA::IMAGE_GREY_8, KORA::CSize(2, 2)));
    auto* plain = new Item(dir.filePath("plain.tif"), Item::ImageFileType);
    port.appendItem(plain);
    InputCache cache;
    cache.prefetch({plain});
    QVERIFY(!std::unique_ptr<KORA::CValue>(cache.take(plain, [] { return false; })));
}

QTEST_MAIN(InputLoaderTest)
#include "test_inputloader.moc"
