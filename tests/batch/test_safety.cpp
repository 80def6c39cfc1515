// vorne-batch where results could get lost: outputs that would overwrite each other, a disk that fills up,
// interrupts that a node ignores, numbers that do not fit.
#include <QThread>

#include <csignal>
#include <sys/mount.h>

#include "kora/kora.h"
#include "kora/opencv.h"
#include "processfixture.h"
#include "testmain.h"

namespace {

bool partialFilesIn(const QString& folder)
{
    return !QDir(folder).entryList({QString::fromLatin1(KORA::CImageIo2::kPartialPrefix) + "*"},
                                   QDir::Files | QDir::Hidden).isEmpty();
}

} // namespace

class Safety : public Process
{
protected:
    void SetUp() override
    {
        Process::SetUp();
        for (const char* folder : {"a", "b"}) {
            QDir(m_dir.path()).mkpath(folder);
            QFile::copy(path("images/img_0.png"), path(QStringLiteral("%1/img.png").arg(folder)));
        }
    }
    void TearDown() override
    {
        if (m_mounted)
            ::umount2(path("disk").toLocal8Bit().constData(), MNT_DETACH);
    }
    // A 1 MiB file system at disk/; false (the test then skips) without the right to mount.
    bool smallDisk()
    {
        QDir(m_dir.path()).mkpath("disk");
        m_mounted = ::geteuid() == 0 &&
                    ::mount("tmpfs", path("disk").toLocal8Bit().constData(), "tmpfs", 0, "size=1m") == 0;
        return m_mounted;
    }
    bool m_mounted = false;
};

TEST_F(Safety, OutputsThatWouldOverwriteEachOtherAreRefusedUnlessAccepted)
{
    const QStringList twoFolders{"-i", "0=a/img.png", "-i", "0=b/img.png", "-o", "out", "echo.ogr"};
    const struct
    {
        const char* what;
        QStringList arguments;
        int status;
        const char* inOutput; // standard output, or standard error when the status is 2
        int files;
    } rows[] = {
        {"same name in two folders", twoFolders, 2, "%i0_%n_%o", 0},
        {"dry run marks both lines", twoFolders + QStringList{"--dry-run"}, 0, "[collision]", 0},
        {"accepted", twoFolders + QStringList{"--overwrite", "--journal", "j.jsonl"}, 0, "2 done", 1},
        {"the batch index keeps them apart", twoFolders + QStringList{"--pattern", "%i0_%n_%o"}, 0, "2 done", 2},
    };
    for (const auto& row : rows) {
        QDir(path("out")).removeRecursively();
        const Outcome outcome = run(row.arguments);
        EXPECT_EQ(outcome.status, row.status) << row.what << outcome.err.toStdString();
        EXPECT_TRUE((row.status == 2 ? outcome.err : outcome.out).contains(row.inOutput)) << row.what;
        EXPECT_EQ(contents(path("out")).size(), static_cast<std::size_t>(row.files)) << row.what;
    }
    EXPECT_EQ(run(QStringList(twoFolders) << "--dry-run").out.count("[collision]"), 2);
    EXPECT_EQ(journalLines(path("j.jsonl")).last()["replaced"][0]["index"], 0);
    // Files of an earlier run are no collision: the same batch runs again.
    EXPECT_EQ(run(QStringList(twoFolders) << "--pattern" << "%i0_%n_%o").status, 0);
}

TEST_F(Safety, AFullDiskFailsTheSaveAndTheIndexAndLeavesNoPartialFile)
{
    if (!smallDisk())
        GTEST_SKIP() << "needs root to mount a 1 MiB tmpfs; full-disk saves not tested";
    cv::Mat noise(1000, 1200, CV_8UC1);
    cv::randu(noise, 0, 255);
    const std::unique_ptr<KORA::CImage> image(KORA::ImageFromMat(noise, KORA::IMAGE_GREY_8));
    for (const char* suffix : {".pgm", ".bmp", ".png", ".tif", ".iass", ".iass.gz"}) {
        const QString target = path("disk/big") + suffix;
        EXPECT_THROW(KORA::CImageIo2::Save(target.toLocal8Bit().constData(), *image), KORA::CExIo) << suffix;
        EXPECT_TRUE(QDir(path("disk")).entryList(QDir::Files | QDir::Hidden).isEmpty()) << suffix;
    }

    // Three 420 kB images: two fit, the third does not.
    QDir(m_dir.path()).mkpath("big");
    for (int i = 0; i < 3; ++i)
        cv::imwrite(path("big/b%1.png").arg(i).toStdString(), noise(cv::Rect(0, 0, 700, 600)));
    const QStringList arguments{"-i", "0=big/", "-o", "disk", "--journal", "j.jsonl", "echo.ogr"};
    const Outcome full = run(arguments);
    EXPECT_EQ(full.status, 1) << full.err.toStdString();
    EXPECT_TRUE(lastLine(full).startsWith("2 done, 1 failed")) << full.out.toStdString();
    EXPECT_EQ(journalLines(path("j.jsonl")).last()["status"], "failed");
    for (const auto& [name, bytes] : contents(path("disk")))
        EXPECT_EQ(bytes.size(), 420015) << name.toStdString();
    EXPECT_FALSE(partialFilesIn(path("disk")));
    EXPECT_TRUE(lastLine(run(arguments)).startsWith("0 done, 1 failed, 2 skipped")) << "a rerun redoes it";
}

TEST_F(Safety, InterruptsEndTheProgramEvenWhenANodeIgnoresThem)
{
    const struct
    {
        const char* jobs;
        const char* grace;
        int interrupts;
    } rows[] = {{"1", "1", 1}, {"2", "1", 1}, {"1", "600", 2}};
    for (const auto& row : rows) {
        QProcess process;
        process.setWorkingDirectory(m_dir.path());
        process.start(QStringLiteral(VORNE_BATCH_PROGRAM),
                      {"-j", row.jobs, "--grace", row.grace, "-i", "0=images/", "-o", "stuck", "stuck.ogr"});
        ASSERT_TRUE(process.waitForStarted());
        QThread::msleep(3000);
        for (int i = 0; i < row.interrupts; ++i) {
            ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
            QThread::msleep(100);
        }
        EXPECT_TRUE(process.waitForFinished(15000)) << "jobs " << row.jobs;
        EXPECT_EQ(process.exitCode(), 130) << process.readAllStandardError().toStdString();
        EXPECT_FALSE(partialFilesIn(path("stuck")));
        process.kill();
        process.waitForFinished();
    }
}

TEST_F(Safety, NumbersBeyondALongAreRefusedNamingValueAndRange)
{
    const Outcome outcome = run({"-i", "0=long:3000000000", "--dry-run", "echo.ogr"});
    EXPECT_EQ(outcome.status, 2);
    for (const char* words : {"3000000000", "-2147483648..2147483647"})
        EXPECT_TRUE(outcome.err.contains(words)) << outcome.err.toStdString();
    EXPECT_EQ(run({"-i", "0=long:-2147483648", "--dry-run", "echo.ogr"}).status, 0);
}
