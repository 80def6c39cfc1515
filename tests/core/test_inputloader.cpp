// The same file gives the same pixels in a run (input loading) and in a viewer (the item's conversion),
// for every format the format registry knows.
#include <QTemporaryDir>
#include <QtTest>

#include <zlib.h>

#include <cstring>
#include <functional>
#include <map>
#include <memory>

#include "executor/graphexecutor.h"
#include "items/imageloaders.h"
#include "items/item.h"
#include "kora/kora.h"
#include "tests/base/formatfiles.h"

using namespace VORNE;

namespace {

class InputProbe : public GraphExecutor
{
public:
    using GraphExecutor::loadInput;
};

std::string le32(uint32_t v)
{
    return std::string{char(v & 0xff), char((v >> 8) & 0xff), char((v >> 16) & 0xff), char(v >> 24)};
}

// Text that the text-image rules cut (commas), so that both ways must agree on the cut too.
const std::string kCommaRows = "1,2,3\n4,5,6\n";

// Bytes of a small file per extension the image writer cannot make.
const std::map<std::string, std::function<std::string()>>& madeByHand()
{
    static const std::map<std::string, std::function<std::string()>> files = {
        {".gif", [] { return formatfiles::Gif(formatfiles::Grey(9, 5)); }},
        {".tga", [] { return formatfiles::Tga(formatfiles::Grey(9, 5)); }},
        {".ico", [] { return formatfiles::Ico(formatfiles::Grey(4, 4), formatfiles::Grey(9, 5)); }},
        {".j2k", [] { return formatfiles::J2k(formatfiles::Grey(40, 33)); }},
        {".ascii", [] { return kCommaRows; }},
        {".asc", [] { return kCommaRows; }},
        {".mark", [] { return kCommaRows; }},
        {".txt", [] { return kCommaRows; }},
        {".csv", [] { return kCommaRows; }},
        {".cine", [] { return "CINE" + le32(48) + le32(3) + le32(2) + le32(2) + le32(8) + std::string(8, '\0') +
                              le32(48) + std::string(12, '\0') + "abcdefghijkl"; }},
        {".rek", [] { return "REK1" + le32(32) + le32(3) + le32(2) + le32(1) + le32(8) + le32(32) + le32(0) + "abcdef"; }},
        {".rek.gz", [] { return madeByHand().at(".rek")(); }}, // written through gzip below
        {".fld", [] { return std::string("# AVS\nndim=2\ndim1=3\ndim2=2\ndata=byte\n\f\fabcdef"); }},
        {".mrc", [] { return le32(3) + le32(2) + le32(1) + le32(0) + std::string(4 * 20, '\0') +
                             std::string(4 * 28, '\0') + "MAP " + "\x44\x44" + std::string(2, '\0') +
                             std::string(1024 - 216, '\0') + "abcdef"; }},
    };
    return files;
}

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
    const std::string path = dir.filePath("file" + extension).toStdString();
    const auto hand = madeByHand().find(extension.toStdString());
    if (hand != madeByHand().end()) {
        const std::string bytes = hand->second();
        gzFile file = gzopen(path.c_str(), extension.endsWith(".gz") ? "wb" : "wbT");
        gzwrite(file, bytes.data(), unsigned(bytes.size()));
        gzclose(file);
    } else {
        QVERIFY2(writeWithCodec(path), "a new format needs a file here");
    }
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
}

QTEST_MAIN(InputLoaderTest)
#include "test_inputloader.moc"
