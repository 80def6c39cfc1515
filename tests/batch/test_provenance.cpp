// What a journal says about the batch that wrote it, and vorne-batch verify and rerun on it.
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <utime.h>

#include "items/checksum.h"
#include "processfixture.h"
#include "testmain.h"

namespace {

// New pixels, same size and modification time: only a checksum tells.
void rewriteInPlace(const QString& file)
{
    struct stat before;
    ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &before), 0);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    QByteArray bytes = f.readAll();
    for (int i = bytes.size() - 300; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(~bytes[i]);
    f.seek(0);
    f.write(bytes);
    f.close();
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(file).constData(), times, 0), 0);
}

} // namespace

class Provenance : public Process
{
protected:
    // Netpbm inputs, whose pixels can change without the file's size.
    void SetUp() override
    {
        Process::SetUp();
        QDir(m_dir.path()).mkpath("raw");
        for (int i = 0; i < kImages; ++i)
            cv::imwrite(path("raw/img_%1.pgm").arg(i).toStdString(),
                        cv::imread(path("images/img_%1.png").arg(i).toStdString(), cv::IMREAD_GRAYSCALE));
    }
    const QStringList common{"-i", "0=raw/", "-o", "out", "--suffix", ".png", "-q", "blur_otsu.ogr"};
    QString entryText(const nlohmann::json& e, const char* key) { return QString::fromStdString(e.value(key, "")); }
};

TEST_F(Provenance, JournalNamesVersionsAndChecksumsAndVerifyFindsChanges)
{
    ASSERT_EQ(run(common + QStringList{"--shard", "0/2", "--journal", "a.jsonl"}).status, 0);
    ASSERT_EQ(run(common + QStringList{"--shard", "1/2", "--journal", "b.jsonl"}).status, 0);
    QFile journal(path("a.jsonl"));
    ASSERT_TRUE(journal.open(QIODevice::ReadOnly));
    const nlohmann::json provenance = nlohmann::json::parse(journal.readLine().toStdString())["batch"]["provenance"];
    for (const char* library : {"Qt", "OpenCV", "libpng", "zlib"})
        EXPECT_FALSE(provenance["versions"].value(library, "").empty()) << library;
    ASSERT_EQ(provenance["plugins"].size(), 1u);
    const nlohmann::json plugin = provenance["plugins"][0];
    EXPECT_EQ(entryText(plugin, "xxh3"), VORNE::fileChecksum(entryText(plugin, "path")));
    EXPECT_TRUE(entryText(plugin, "path").endsWith("libimgproc.so"));
    EXPECT_NE(provenance["command"].dump().find("\"--shard\",\"0/2\""), std::string::npos);
    const QList<nlohmann::json> records = journalLines(path("a.jsonl"));
    ASSERT_EQ(records.size(), 3);
    for (const nlohmann::json& record : records)
        for (const char* side : {"inputs", "outputs"})
            EXPECT_EQ(entryText(record[side][0], "xxh3"), VORNE::fileChecksum(entryText(record[side][0], "value")));

    EXPECT_EQ(run({"verify", "a.jsonl", "b.jsonl"}).status, 0);
    QFile::remove(path("out/img_1_0.png"));
    QFile changed(path("out/img_2_0.png"));
    ASSERT_TRUE(changed.open(QIODevice::Append));
    changed.write("x");
    changed.close();
    const Outcome verify = run({"verify", "a.jsonl", "b.jsonl"});
    EXPECT_EQ(verify.status, 1);
    EXPECT_TRUE(verify.out.contains("missing: " + path("out/img_1_0.png") + " (index 1, port 0)"));
    EXPECT_TRUE(verify.out.contains("changed: " + path("out/img_2_0.png") + " (index 2, port 0)"));
    EXPECT_TRUE(verify.out.endsWith("5 outputs checked: 1 missing, 1 changed\n")) << verify.out.toStdString();
    ASSERT_EQ(run({"report", "--verify", "-o", "rep", "a.jsonl", "b.jsonl"}).status, 0);
    QFile page(path("rep/index.html"));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(page.readAll());
    EXPECT_EQ(html.count("since the run</span>"), 2);
    EXPECT_TRUE(html.contains("libimgproc.so  xxh3 " + entryText(plugin, "xxh3")));
}

TEST_F(Provenance, RerunComparesAndRefusesChangedGraphOrInput)
{
    ASSERT_EQ(run(common + QStringList{"--journal", "j.jsonl"}).status, 0);
    const Outcome same = run({"rerun", "-o", "again", "j.jsonl"});
    EXPECT_EQ(same.status, 0) << same.err.toStdString();
    EXPECT_EQ(lastLine(same), "5 identical, 0 differ, 0 not compared");
    EXPECT_EQ(contents(path("again")), contents(path("out")));

    QFile graph(path("blur_otsu.ogr"));
    ASSERT_TRUE(graph.open(QIODevice::Append));
    graph.write(" ");
    graph.close();
    const Outcome changedGraph = run({"rerun", "-o", "again", "j.jsonl"});
    EXPECT_EQ(changedGraph.status, 2);
    EXPECT_TRUE(changedGraph.err.contains("the graph file '" + path("blur_otsu.ogr") + "' changed since the run"))
        << changedGraph.err.toStdString();

    rewriteInPlace(path("raw/img_3.pgm"));
    const Outcome changedInput = run({"rerun", "-o", "again", "j.jsonl"});
    EXPECT_EQ(changedInput.status, 2);
    EXPECT_TRUE(changedInput.err.contains("index 3: input '" + path("raw/img_3.pgm") + "' changed since the run"))
        << changedInput.err.toStdString();
    const Outcome forced = run({"rerun", "--force", "-o", "forced", "j.jsonl"});
    EXPECT_EQ(forced.status, 1);
    EXPECT_TRUE(forced.out.contains("differs: " + path("forced/img_3_0.png") + " (index 3, port 0;"));
    EXPECT_EQ(lastLine(forced), "4 identical, 1 differ, 0 not compared");
}

TEST_F(Provenance, ResumeByContentRerunsAFileRewrittenWithTheSameSizeAndTime)
{
    ASSERT_EQ(run(common + QStringList{"--journal", "j.jsonl"}).status, 0);
    rewriteInPlace(path("raw/img_0.pgm"));
    EXPECT_TRUE(lastLine(run(common + QStringList{"--journal", "j.jsonl"})).startsWith("0 done, 0 failed, 5 skipped"));
    const Outcome content = run(common + QStringList{"--journal", "j.jsonl", "--resume-by", "content"});
    EXPECT_TRUE(lastLine(content).startsWith("1 done, 0 failed, 4 skipped")) << content.out.toStdString();
}
