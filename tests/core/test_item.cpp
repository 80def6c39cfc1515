#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "items/item.h"
#include "items/itemmodel.h"
#include "kora/kora.h"
#include "streamcapture.h"
#include "coretest.h"

using VORNE::Item;
using VORNE::ItemModel;

class ItemTest : public QObject
{
    Q_OBJECT

private slots:
    void conversion_data();
    void conversion();
    void unreadableImageReason();
    void containerRoundTrip();
    void texts_data();
    void texts();
    void dataChangedOnlyOnRealChange();
    void imageHandleConvertedTwice();

private:
    // A 2 x 2 x 2 volume of 8-bit voxels 0..7 in the loader plug-in's REK layout.
    static QByteArray rekVolume() { return readFile(source("tests/data/volume.rek")); }

    // What the image reader itself says about a file it cannot read.
    static QByteArray readerReason(const QString& path)
    {
        try {
            delete KORA::CImageIo2::Load(path.toLocal8Bit().constData());
        } catch (const KORA::CException& e) {
            return e.what();
        }
        return {};
    }

    QTemporaryDir m_dir;
};

using Value = std::shared_ptr<const KORA::CValue>;
Q_DECLARE_METATYPE(Value)

void ItemTest::conversion_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Value>("expected"); // null: no value, only the message
    QTest::addColumn<QByteArray>("message");

    const auto row = [](const char* name, int type, const QString& text, KORA::CValue* expected,
                        const QByteArray& message = QByteArray()) {
        QTest::newRow(name) << type << text << Value(expected) << message;
    };
    row("long", Item::LongType, "42", new KORA::CValueLong(42));
    row("long out of 32-bit range is 0", Item::LongType, "2147483648", new KORA::CValueLong(0));
    row("double", Item::DoubleType, "2.5e-3", new KORA::CValueDouble(0.0025));
    row("bool in capitals", Item::BoolType, "TRUE", new KORA::CValueBool(true));
    row("bool other text", Item::BoolType, "yes", new KORA::CValueBool(false));
    row("string keeps blanks", Item::StringType, " two words ", new KORA::CValueString(" two words "));
    row("undefined", Item::UndefinedType, "[1, 2", nullptr);
    row("vector text that does not parse", Item::VectorType, "[1, 2", nullptr,
        "Item::toCValue() Could not convert to CValueVector\n");
    row("map text that does not parse", Item::MapType, "[1, 2", nullptr,
        "Item::toCValue() Could not convert to CValueMap\n");

    // Image files become images the item owns; a file the image reader cannot read gives its reason.
    auto* small = new KORA::CImage(KORA::IMAGE_GREY_8, KORA::CSize(5, 3));
    small->Data()[4] = 200;
    const QString png = m_dir.filePath("small.png");
    KORA::CImageIo2::Save(png.toLocal8Bit().constData(), *small);
    row("image file", Item::ImageFileType, png, new KORA::CValueOwnedPointer<KORA::CImage>(small));
    const QList<QPair<const char*, QByteArray>> unreadable{
        {"missing.png", QByteArray()}, {"data.xyz", "not an image"}, {"volumerek.gz", rekVolume()}};
    for (const auto& [name, content] : unreadable) {
        const QString path = m_dir.filePath(name);
        if (!content.isEmpty())
            writeFile(path, content);
        const QByteArray reason = readerReason(path);
        QVERIFY(!reason.isEmpty());
        row(name, Item::ImageFileType, path, nullptr, "Item::toCValue() Could not read image: " + reason + "\n");
    }
    // The image reader refuses this name; only the "rek.gz" row of the loader plug-in's table can read it.
    const QString rek = m_dir.filePath("volume.Rek.Gz");
    writeFile(rek, rekVolume());
    auto* volume = new KORA::CImage(KORA::IMAGE_GREY_8, KORA::CSize(2, 2, 2));
    for (int voxel = 0; voxel < 8; ++voxel)
        volume->Data()[voxel] = voxel;
    row("compressed REK through the loader plug-in", Item::ImageFileType, rek, new KORA::CValueOwnedPointer<KORA::CImage>(volume));
}

void ItemTest::conversion()
{
    QFETCH(int, type);
    QFETCH(QString, text);
    QFETCH(Value, expected);
    QFETCH(QByteArray, message);
    StderrCapture capture;
    std::unique_ptr<KORA::CValue> value(Item(text, type).toCValue());
    const QByteArray written = capture.text();
    if (!KORA::IsPointerTo<KORA::CImage>(expected.get())) // loader plug-ins may report what they read
        QCOMPARE(written, message);
    QCOMPARE(bool(value), bool(expected));
    if (KORA::IsPointerTo<KORA::CImage>(expected.get())) {
        auto* pointer = dynamic_cast<KORA::CValuePointer<KORA::CImage>*>(value.get());
        QVERIFY(pointer && pointer->Owned() && pointer->Count() == 1);
        QVERIFY(pointer->Pointer()->SamePixels(*KORA::UnwrapPointer<KORA::CImage>(expected.get())));
    } else if (expected) {
        QVERIFY2(value->EqualData(*expected) && value->GenericType() == expected->GenericType(), qPrintable(text));
    }
}

// Why a file gave no image: the loader plug-in's own words when one takes the extension (the reader's
// otherwise, as the conversion rows show).
void ItemTest::unreadableImageReason()
{
    const QString path = m_dir.filePath("ragged.csv");
    writeFile(path, "1 2\n3 x\n");
    QString reason;
    StderrCapture quiet;
    QVERIFY(!std::unique_ptr<KORA::CValue>(Item(path, Item::ImageFileType).toCValue(&reason)));
    QVERIFY(!reason.isEmpty() && reason != QString::fromLocal8Bit(readerReason(path)));
}

// A map set as a value comes back equal; a vector holding a pointer cannot be written as text.
void ItemTest::containerRoundTrip()
{
    KORA::CValueMap map;
    map.SetEntry("count", new KORA::CValueLong(3));
    map.SetEntry("advanced/name", new KORA::CValueString("cells \"A\""));
    map.SetEntry("advanced/weights", new KORA::CValueVector);
    Item item;
    item.setValue(&map);
    QCOMPARE(item.type(), int(Item::MapType));
    std::unique_ptr<KORA::CValue> back(item.toCValue());
    QVERIFY(back && back->EqualData(map));

    static int target = 0;
    KORA::CValueVector vector;
    vector.Append(new KORA::CValueLong(-4));
    vector.Append(new KORA::CValuePointer<int>(&target));
    StderrCapture quiet;
    item.setValue(&vector);
    QCOMPARE(item.type(), int(Item::VectorType));
    QVERIFY(item.valueText().endsWith("???"));
}

void ItemTest::texts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QString>("detail");

    const QString none;
    QTest::newRow("long") << "5" << int(Item::LongType) << none << "5" << "Long:\n5";
    QTest::newRow("vector on one line") << "[1, 2]" << int(Item::VectorType) << none << "[1, 2] ..."
                                        << "Vector:\n[1, 2]";
    QTest::newRow("map cut at first line feed") << "{\n  \"a\": 1\n}" << int(Item::MapType) << none << "{ ..."
                                                << "{\n  \"a\": 1\n}";
    QTest::newRow("error replaces the summary") << "[1]" << int(Item::VectorType) << "node failed"
                                                << "Error:\nnode failed" << "Vector:\n[1]\nError:\nnode failed";
    QTest::newRow("empty error still counts") << "x" << int(Item::StringType) << "" << "Error:\n"
                                              << "String:\nx\nError:\n";
}

void ItemTest::texts()
{
    QFETCH(QString, text);
    QFETCH(int, type);
    QFETCH(QString, error);
    QFETCH(QString, summary);
    QFETCH(QString, detail);

    Item item(text, type);
    item.setErrorMessage(error);
    QCOMPARE(item.data(Qt::DisplayRole).toString(), summary);
    QCOMPARE(item.data(Qt::ToolTipRole).toString(), detail);
    QCOMPARE(item.status(), int(error.isNull() ? Item::OkStatus : Item::WarningStatus));
}

void ItemTest::dataChangedOnlyOnRealChange()
{
    Item item("1", Item::LongType);
    QSignalSpy spy(&item, &Item::dataChanged);

    item.setValue(qint32(1));
    item.setData(Item::ValueRole, QByteArray("1")); // equal across types, in both Qt versions
    item.setData(Item::TypeRole, QString::number(Item::LongType));
    QCOMPARE(spy.count(), 0);

    item.setValue(2.0);
    QCOMPARE(spy.count(), 2); // text and type changed
    QCOMPARE(spy.at(0).at(0).toInt(), int(Item::ValueRole));
    QCOMPARE(spy.at(1).at(0).toInt(), int(Item::TypeRole));

    spy.clear();
    item.setErrorMessage("failed");
    item.setErrorMessage("failed");
    QCOMPARE(spy.count(), 2); // error and status, once
    item.setDisplayState(Item::NotDisplayed);
    QCOMPARE(spy.count(), 2);
}

void ItemTest::imageHandleConvertedTwice()
{
    auto* image = new KORA::CImage(KORA::IMAGE_GREY_F, KORA::CSize(4, 4));
    Item item;
    item.setImageHandle(new KORA::CValueOwnedPointer<KORA::CImage>(image), "result 0");
    QCOMPARE(item.type(), int(Item::ImageHandleType));

    std::unique_ptr<KORA::CValue> first(item.toCValue());
    std::unique_ptr<KORA::CValue> second(item.toCValue());
    QVERIFY(first && second && first != second);
    QCOMPARE(KORA::UnwrapPointer<KORA::CImage>(first.get()), image);
    first.reset();
    QCOMPARE(KORA::UnwrapPointer<KORA::CImage>(second.get()), image);
}

QTEST_MAIN(ItemTest)
#include "test_item.moc"
