#include <QtTest>

#include <cmath>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "executor/textimage.h"

using VORNE::parseTextImage;
using VORNE::parseTextImageRow;

namespace {

// The reading the format is defined by.
std::vector<float> streamExtraction(const std::string& line)
{
    std::istringstream in(line);
    std::vector<float> values;
    float value = 0;
    while (in >> value)
        values.push_back(value);
    return values;
}

bool sameBits(const std::vector<float>& a, const std::vector<float>& b)
{
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0);
}

} // namespace

class TextImageTest : public QObject
{
    Q_OBJECT

private slots:
    void rowsReadLikeStreamExtraction_data();
    void rowsReadLikeStreamExtraction();
    void files_data();
    void files();
};

void TextImageTest::rowsReadLikeStreamExtraction_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("count");

    QTest::newRow("plain numbers") << QByteArray("1 2 3") << 3;
    QTest::newRow("tabs and trailing blanks") << QByteArray("\t4\t 5.25  ") << 2;
    QTest::newRow("exponent") << QByteArray("1e3 2E-2 1.e1") << 3;
    QTest::newRow("negative zero") << QByteArray("-0 0") << 2;
    QTest::newRow("inf is text") << QByteArray("inf 1") << 0;
    QTest::newRow("negative inf is text") << QByteArray("1 -inf") << 1;
    QTest::newRow("nan is text") << QByteArray("nan") << 0;
    QTest::newRow("trailing comma") << QByteArray("1, 2") << 1;
    QTest::newRow("number followed by text") << QByteArray("3x 4") << 1;
    QTest::newRow("text in the middle") << QByteArray("1 2 x 3") << 2;
    QTest::newRow("plus sign") << QByteArray("+5 +.5") << 2;
    QTest::newRow("two signs") << QByteArray("1 +-1") << 1;
    QTest::newRow("exponent without digits") << QByteArray("2 1e 3") << 1;
    QTest::newRow("exponent sign without digits") << QByteArray("1e+ 3") << 0;
    QTest::newRow("second decimal point starts a number") << QByteArray("1.5.25") << 2;
    QTest::newRow("minus after digits starts a number") << QByteArray("1-2") << 2;
    QTest::newRow("hexadecimal prefix") << QByteArray("0x10") << 1;
    QTest::newRow("lone point") << QByteArray(". 1") << 0;
    QTest::newRow("overflow stops") << QByteArray("1 1e50 2") << 1;
    QTest::newRow("underflow reads as zero") << QByteArray("1e-50 -1e-50 1e-400 2") << 4;
    QTest::newRow("denormal") << QByteArray("1e-40") << 1;
    QTest::newRow("largest float") << QByteArray("3.4028234e38") << 1;
    QTest::newRow("long mantissa rounds the same") << QByteArray("0.1000000000000000055511151231257827") << 1;
    QTest::newRow("blanks only") << QByteArray("   ") << 0;
}

void TextImageTest::rowsReadLikeStreamExtraction()
{
    QFETCH(QByteArray, line);
    QFETCH(int, count);
    std::vector<float> values;
    const std::size_t read = parseTextImageRow(line.constData(), line.constData() + line.size(), values);
    const std::vector<float> expected = streamExtraction(line.toStdString());
    QVERIFY(sameBits(values, expected)); // bit for bit: -0 and 0 differ
    QCOMPARE(read, values.size());
    QCOMPARE(int(read), count);
}

void TextImageTest::files_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("ragged");
    QTest::addColumn<QList<float>>("pixels");

    QTest::newRow("comment between rows") << QByteArray("1 2 3\n# comment\n4 5 6\n") << 3 << 2 << false
                                          << QList<float>{1, 2, 3, 4, 5, 6};
    QTest::newRow("a # anywhere skips the whole line")
        << QByteArray("1 2 # 3\n7 8\n") << 2 << 1 << false << QList<float>{7, 8};
    QTest::newRow("empty lines are skipped") << QByteArray("\n1\n\n2\n") << 1 << 2 << false << QList<float>{1, 2};
    QTest::newRow("carriage returns dropped") << QByteArray("1 2\r\n\r\n3 4\r\n") << 2 << 2 << false
                                              << QList<float>{1, 2, 3, 4};
    QTest::newRow("last line without line feed") << QByteArray("1 2\n3 4") << 2 << 2 << false
                                                 << QList<float>{1, 2, 3, 4};
    QTest::newRow("rows of 3 and 4 values") << QByteArray("1 2 3\n4 5 6 7\n8 9 10\n") << 3 << 2 << true
                                            << QList<float>{1, 2, 3, 4, 5, 6, 7};
    QTest::newRow("a blank line is a row without values")
        << QByteArray("1 2\n  \n3 4\n") << 2 << 2 << true << QList<float>{1, 2};
    QTest::newRow("text rows before the first numbers count as rows")
        << QByteArray("x\n1 2\n3 4\n") << 2 << 3 << false << QList<float>{1, 2, 3, 4};
    QTest::newRow("no content") << QByteArray("# only\n\n") << 0 << 0 << false << QList<float>{};
    QTest::newRow("text rows only") << QByteArray("a\nb\n") << 0 << 2 << false << QList<float>{};
}

void TextImageTest::files()
{
    QFETCH(QByteArray, content);
    QFETCH(int, columns);
    QFETCH(int, rows);
    QFETCH(bool, ragged);
    QFETCH(QList<float>, pixels);
    const VORNE::TextImage image = parseTextImage(content.constData(), std::size_t(content.size()));
    QCOMPARE(image.columns, columns);
    QCOMPARE(image.rows, rows);
    QCOMPARE(image.raggedRows, ragged);
    QCOMPARE(QList<float>(image.pixels.begin(), image.pixels.end()), pixels);
}

QTEST_MAIN(TextImageTest)
#include "test_textimage.moc"
