// The results table and report as files: CSV and TSV quoting, thumbnails of every pixel kind, and report
// pages parsed as XML.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <memory>
#include <pugixml.hpp>

#include "kora/kora.h"
#include "results/recordindex.h"
#include "results/report.h"
#include "results/resultstable.h"
#include "results/thumbnail.h"

namespace {

// One record per line, however the test wrote them.
void writeLines(const QString& path, QStringList lines)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(lines.replaceInStrings("\n", " ").join('\n').toUtf8());
}

} // namespace

// Port names and values with separators, quotes, line breaks and non-ASCII text; a later record of an
// index replaces the earlier one; a torn last line is no row. The journal and both tables are in data/.
TEST(TableFormats, QuoteWhatNeedsIt)
{
    const QString data = qEnvironmentVariable("VORNE_SOURCE_DIR") + "/tests/results/data/awkward.";
    VORNE::RecordIndex records;
    records.addFile(data + "jsonl");
    QTemporaryDir dir;
    for (const QString format : {"csv", "tsv"}) {
        VORNE::saveTable(records, dir.filePath("t." + format));
        QFile written(dir.filePath("t." + format)), expected(data + format);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly) && expected.open(QIODevice::ReadOnly));
        EXPECT_EQ(written.readAll(), expected.readAll()) << format.toStdString();
    }
}

struct ThumbnailCase
{
    const char* name;
    KORA::ImageType type;
    int width, height;
    double low, high; // the source's values, a ramp along x
    int thumbWidth, thumbHeight;
    int darkest, brightest; // what the picture must show
};

class Thumbnails : public ::testing::TestWithParam<ThumbnailCase>
{
};

TEST_P(Thumbnails, StretchLikeTheViewer)
{
    const ThumbnailCase& c = GetParam();
    QTemporaryDir dir;
    KORA::CImage image(c.type, {c.width, c.height});
    for (int64_t y = 0; y < c.height; ++y)
        for (int64_t x = 0; x < c.width; ++x) {
            const double v = c.low + (c.high - c.low) * static_cast<double>(x) / (c.width - 1);
            if (c.type == KORA::IMAGE_GREY_16)
                image.Row<uint16_t>(y)[x] = static_cast<uint16_t>(v);
            else if (c.type == KORA::IMAGE_GREY_F)
                image.Row<float>(y)[x] = static_cast<float>(v);
            else
                image.Row<uint8_t>(y)[x] = static_cast<uint8_t>(v);
        }
    const QString source = dir.filePath(QString("source") + c.name);
    KORA::CImageIo2::Save(source.toUtf8().constData(), image);
    const QString target = dir.filePath("thumb.png");
    ASSERT_TRUE(VORNE::writeThumbnail(source, target).isNull());

    const std::unique_ptr<KORA::CImage> thumb(KORA::CImageIo2::Load(target.toUtf8().constData()));
    ASSERT_EQ(thumb->Type(), KORA::IMAGE_GREY_8);
    EXPECT_EQ(thumb->Size(), KORA::CSize(c.thumbWidth, c.thumbHeight));
    const KORA::ImageStatistics stats = KORA::AnalyseImage(*thumb).stats;
    EXPECT_NEAR(stats.min, c.darkest, 3);
    EXPECT_NEAR(stats.max, c.brightest, 3);
}

INSTANTIATE_TEST_SUITE_P(Results, Thumbnails,
                         ::testing::Values(ThumbnailCase{".png", KORA::IMAGE_GREY_8, 40, 20, 10, 20, 40, 20, 10, 20},
                                           ThumbnailCase{"16.png", KORA::IMAGE_GREY_16, 600, 300, 1000, 3000, 256, 128, 0, 255},
                                           ThumbnailCase{".iass", KORA::IMAGE_GREY_F, 100, 300, -1, 1, 85, 256, 0, 255},
                                           ThumbnailCase{".pbm", KORA::IMAGE_BOOL, 30, 30, 0, 1, 30, 30, 0, 255}));

// 1001 records: three pages, thumbnails, a failed row, a missing output image, a histogram of counts.
TEST(Report, PagesRowsAndLinks)
{
    QTemporaryDir dir;
    const QString picture = dir.filePath("p.png");
    KORA::CImage image(KORA::IMAGE_GREY_8, {8, 8});
    KORA::CImageIo2::Save(picture.toUtf8().constData(), image);
    QStringList lines{R"({"batch": {"graph": "/g/count.ogr", "inputs": ["image"], "outputs": ["count", "mask"]}})"};
    for (int i = 0; i < 1001; ++i)
        lines << QString(R"({"index": %1, "inputs": [{"type": "image file", "value": "%2"}], "outputs": [)"
                         R"({"type": "long", "value": "%3"}, {"type": "image file", "value": "%4"}],)"
                         R"( "status": "%5", "error": %6, "ms": 2})")
                     .arg(i)
                     .arg(picture)
                     .arg(i % 7)
                     .arg(i == 3 ? dir.filePath("missing.png") : picture)
                     .arg(i == 5 ? "failed" : "done")
                     .arg(i == 5 ? R"("boom <&>")" : "null");
    writeLines(dir.filePath("j.jsonl"), lines);
    VORNE::RecordIndex records;
    records.addFile(dir.filePath("j.jsonl"));
    VORNE::ReportWriter(records, dir.filePath("report")).write();

    const QDir report(dir.filePath("report"));
    const auto rows = [&](const pugi::xml_document& page) { return page.select_nodes("//tbody/tr").size(); };
    pugi::xml_document pages[3];
    for (int page = 1; page <= 3; ++page) {
        const QString name = VORNE::ReportWriter::pageName(page);
        ASSERT_TRUE(pages[page - 1].load_file(report.filePath(name).toUtf8().constData())) << name.toStdString();
        for (const auto& link : pages[page - 1].select_nodes("//a[not(starts-with(@href, 'file:'))]/@href | //img/@src"))
            EXPECT_TRUE(report.exists(link.attribute().value())) << link.attribute().value();
    }
    EXPECT_EQ(rows(pages[0]), 500u);
    EXPECT_EQ(rows(pages[2]), 1u);
    EXPECT_EQ(pages[0].select_nodes("//nav[1]/a").size(), 2u);
    const auto cell = [&](const char* path) { return pages[0].select_node(path).node().text().as_string(); };
    EXPECT_STREQ(cell("//span[@class='done']"), "1000");
    EXPECT_STREQ(cell("//tr[@id='index-5'][@class='failed']/td[@class='error']"), "boom <&>");
    EXPECT_STREQ(cell("//tr[@id='index-4']/td[4]"), "4"); // after index and the two pictures
    EXPECT_TRUE(pages[0].select_node("//tr[@id='index-3']/td[3]/a/span[@class='error']"));
    EXPECT_EQ(pages[0].select_nodes("//figure/*[local-name()='svg']/*[local-name()='rect']").size(), 7u);
}
