// vorne-batch as a whole process: exit statuses, files identical to the executor's, workers and journal
// reruns. Interrupts are in test_safety.cpp.
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <csignal>

#include "../results/tablelines.h"
#include "processfixture.h"
#include "executor/graphexecutor.h"
#include "items/item.h"
#include "kora/kora.h"
#include "items/itemmodel.h"
#include "testmain.h"
#include "tiffpages.h"
#include "tools/batchplan.h"

TEST_F(Process, ExitStatusesAndSummary)
{
    const Outcome ok = run({"-i", "0=images/", "-o", "out", "--suffix", ".png", "blur_otsu.ogr"});
    EXPECT_EQ(ok.status, 0) << ok.err.toStdString();
    EXPECT_TRUE(lastLine(ok).startsWith("5 done, 0 failed, 0 skipped in ")) << ok.out.toStdString();
    EXPECT_EQ(contents(path("out")).size(), 5u);
    EXPECT_EQ(ok.err.count("done in"), 5) << "one progress line per index off a terminal";

    EXPECT_EQ(run({"--bogus", "blur_otsu.ogr"}).status, 2);
    writeGraph("broken.ogr", "{ \"nodes\": ");
    const Outcome broken = run({"-i", "0=images/", "broken.ogr"});
    EXPECT_EQ(broken.status, 2);
    EXPECT_TRUE(broken.err.contains("broken.ogr")) << broken.err.toStdString();
    // A graph that names an undeclared parameter stops the run before any index.
    const Outcome typo = run({"-i", "0=images/", "-o", "out",
                              qEnvironmentVariable("VORNE_SOURCE_DIR") + "/tests/data/convert_typo.ogr"});
    EXPECT_EQ(typo.status, 2);
    EXPECT_TRUE(typo.err.contains("convert_typo.ogr: node 'grey': unknown parameter 'type'; did you mean 'to'?"))
        << typo.err.toStdString();
    EXPECT_FALSE(typo.err.contains("done in")) << typo.err.toStdString();
    // Creating the window node here would abort the process.
    const Outcome window = run({"window.ogr"});
    EXPECT_EQ(window.status, 2);
    EXPECT_TRUE(window.err.contains("vorne::Vorne needs the window")) << window.err.toStdString();
}

// An input that cannot be read reaches the exit status, the journal, the progress line and the summary,
// named with the decoder's reason. (An output its format cannot hold fails its index in test_runner.cpp.)
TEST_F(Process, UnreadableInputsAreExplained)
{
    QFile(path("images/empty.png")).open(QIODevice::WriteOnly);
    const Outcome unreadable = run({"-i", "0=images/empty.png", "-i", "0=images/img_0.png", "-o", "out",
                                    "--journal", "j.jsonl", "blur_otsu.ogr"});
    EXPECT_EQ(unreadable.status, 1);
    const QString reason = "cannot read input 0 'image' from '" + path("images/empty.png") + "': ";
    const QList<nlohmann::json> lines = journalLines(path("j.jsonl"));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0]["status"], "failed");
    ASSERT_EQ(lines[0]["input_errors"].size(), 1u);
    EXPECT_TRUE(QString::fromStdString(lines[0]["input_errors"][0]).startsWith(reason));
    EXPECT_TRUE(lines[1]["input_errors"].empty());
    EXPECT_TRUE(unreadable.err.contains(reason)) << unreadable.err.toStdString();
    EXPECT_TRUE(unreadable.out.contains("0: " + reason)) << unreadable.out.toStdString();
}

// Three time points become three files, in a folder made for them, that run as ordinary inputs; a file
// without axes is named and the others are still split.
TEST_F(Process, SplitWritesOneStackPerTimePointAndGoesOnAfterABadFile)
{
    tiffpages::WriteHyperstack(path("lapse.tif").toStdString(), 1, 2, 3);
    const Outcome split = run({"split", "-o", "parts", "images/img_0.png", "lapse.tif"});
    EXPECT_EQ(split.status, 1);
    EXPECT_TRUE(split.err.startsWith("vorne-batch: images/img_0.png: ")) << split.err.toStdString();
    EXPECT_EQ(split.out, QDir(path("parts")).absoluteFilePath("lapse_c0_t0.tif\n") +
                             QDir(path("parts")).absoluteFilePath("lapse_c0_t1.tif\n") +
                             QDir(path("parts")).absoluteFilePath("lapse_c0_t2.tif\n"));
    EXPECT_EQ(run({"split", "lapse.tif"}).status, 2);
    const Outcome ran = run({"-i", "0=parts/", "-o", "out", "--suffix", ".tif", "blur_otsu.ogr"});
    EXPECT_EQ(ran.status, 0) << ran.err.toStdString();
    EXPECT_EQ(contents(path("out")).size(), 3u);
}

TEST_F(Process, TypedInputsReachTheGraphAndTheJournal)
{
    const Outcome outcome = run({"-i", "n=long:7", "-i", "n=double:2.5", "-i", "s=string:hi", "-i", "s=bool:true",
                                 "--journal", "j.jsonl", "typed.ogr"});
    EXPECT_EQ(outcome.status, 0) << outcome.err.toStdString();
    const QList<nlohmann::json> lines = journalLines(path("j.jsonl"));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0]["outputs"][0]["type"], "long");
    EXPECT_EQ(lines[0]["outputs"][1]["value"], "hi");
    EXPECT_EQ(lines[1]["outputs"][0]["type"], "double");
    EXPECT_EQ(lines[1]["outputs"][1]["type"], "bool");
    EXPECT_EQ(lines[1]["inputs"][0]["value"], "2.5");
}

TEST_F(Process, FilesAreByteIdenticalToTheExecutorsAndToTwoJobs)
{
    const Outcome one = run({"-i", "0=images/", "-o", "one", "--suffix", ".png", "-p", "sigma=1.5", "blur_otsu.ogr"});
    ASSERT_EQ(one.status, 0) << one.err.toStdString();
    const Outcome two = run({"-j", "2", "-i", "0=images/", "-o", "two", "--suffix", ".png", "-p", "sigma=1.5",
                             "blur_otsu.ogr"});
    ASSERT_EQ(two.status, 0) << two.err.toStdString();
    EXPECT_TRUE(lastLine(two).startsWith("5 done, 0 failed, 0 skipped")) << two.out.toStdString();

    // The executor driven directly, as the main window drives it.
    QDir::setCurrent(m_dir.path());
    const VORNE::batch::Options options = VORNE::batch::parseOptions(
        {"-i", "0=images/", "-o", "direct", "--suffix", ".png", "-p", "sigma=1.5", "blur_otsu.ogr"});
    const VORNE::batch::BatchPlan plan(options);
    VORNE::GraphExecutor executor;
    executor.setGraphPath(plan.graphPath());
    executor.setOutputNames(plan.outputPatterns());
    executor.setGraph(plan.graph());
    executor.setGraphParameters(static_cast<KORA::CValueMap*>(plan.parameters().Clone()));
    for (int index = 0; index < plan.batchSize(); ++index) {
        executor.runIndex = index;
        executor.runsTotal = plan.batchSize();
        executor.setInputItems(plan.placeItems(index));
        executor.start();
        executor.wait();
        qDeleteAll(executor.outputItems(true));
        plan.removeItems(index);
    }
    const auto direct = contents(path("direct"));
    ASSERT_EQ(direct.size(), 5u);
    EXPECT_EQ(contents(path("one")), direct);
    EXPECT_EQ(contents(path("two")), direct);
}

TEST_F(Process, RerunsWithAJournalSkipWhatIsDone)
{
    const QStringList base{"-i", "0=images/", "-o", "out", "--journal", "j.jsonl", "-q", "blur_otsu.ogr"};
    EXPECT_TRUE(lastLine(run(base)).startsWith("5 done, 0 failed, 0 skipped"));
    EXPECT_TRUE(lastLine(run(base)).startsWith("0 done, 0 failed, 5 skipped"));
    QFile::remove(path("out/img_3_0.pbm"));
    EXPECT_TRUE(lastLine(run(base)).startsWith("1 done, 0 failed, 4 skipped"));
    EXPECT_TRUE(lastLine(run(base + QStringList{"-p", "sigma=3"})).startsWith("5 done, 0 failed, 0 skipped"));

    // A failed index is redone once the cause is gone.
    const QStringList maybe{"-i", "0=images/img_0.png", "-o", "m", "--journal", "m.jsonl", "-q", "maybe.ogr"};
    EXPECT_EQ(run(maybe).status, 1);
    EXPECT_EQ(run(maybe).status, 1);
    EXPECT_TRUE(lastLine(run(maybe + QStringList{"-p", "sigma=1.0"})).startsWith("1 done, 0 failed, 0 skipped"));
    EXPECT_EQ(journalLines(path("m.jsonl")).size(), 3);
}

TEST_F(Process, AKilledWorkerCostsOnlyTheIndexItWasRunning)
{
    QProcess process;
    process.setWorkingDirectory(m_dir.path());
    process.start(QStringLiteral(VORNE_BATCH_PROGRAM),
                  {"-j", "2", "-i", "0=images/", "-o", "out", "--suffix", ".png", "--journal", "k.jsonl", "slow.ogr"});
    ASSERT_TRUE(process.waitForStarted());
    const QString children = QStringLiteral("/proc/%1/task/%1/children").arg(process.processId());
    QByteArray pids;
    for (int wait = 0; wait < 1000 && pids.trimmed().isEmpty(); ++wait) {
        QThread::msleep(10);
        QFile file(children);
        if (file.open(QIODevice::ReadOnly))
            pids = file.readAll();
    }
    ::kill(pids.trimmed().split(' ').first().toInt(), SIGKILL);
    ASSERT_TRUE(process.waitForFinished(20000));
    EXPECT_EQ(process.exitCode(), 1) << process.readAllStandardError().toStdString();
    const QList<nlohmann::json> lines = journalLines(path("k.jsonl"));
    EXPECT_EQ(lines.size(), 5);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const nlohmann::json& line) { return line["status"] == "failed"; }),
              1);
}

TEST_F(Process, TablesOfShardsAndOfResumedRunsEqualTheWholeRun)
{
    const QStringList common{"-i", "0=images/", "-o", "out", "-q", "blur_otsu.ogr"};
    ASSERT_EQ(run(common + QStringList{"--table", "whole.csv"}).status, 0);
    const QStringList whole = withoutTimes(path("whole.csv"));
    EXPECT_EQ(whole.size(), 1 + kImages);

    QStringList merge{"table", "-o", "merged.csv"};
    for (int shard = 0; shard < 4; ++shard) {
        merge << QStringLiteral("s%1.jsonl").arg(shard);
        ASSERT_EQ(run(common + QStringList{"--shard", QStringLiteral("%1/4").arg(shard), "--journal", merge.last()}).status, 0);
    }
    ASSERT_EQ(run(merge).status, 0);
    EXPECT_EQ(withoutTimes(path("merged.csv")), whole);

    // Two indices, then the rest: the second run's table takes the first two from the journal.
    ASSERT_EQ(run(common + QStringList{"--range", "0:1", "--journal", "r.jsonl"}).status, 0);
    const Outcome resumed = run(common + QStringList{"--journal", "r.jsonl", "--table", "resumed.csv", "--report", "rep"});
    EXPECT_TRUE(lastLine(resumed).startsWith("3 done, 0 failed, 2 skipped")) << resumed.out.toStdString();
    EXPECT_EQ(withoutTimes(path("resumed.csv")), whole);
    EXPECT_TRUE(QFile::exists(path("rep/index.html")));
}

// Each image input port gets its pixel size and unit after today's columns, as the loader read them for
// the run: a plane, a stack (with Z) and a PNG without one, through worker processes; a port of values
// gets none.
TEST_F(Process, TablesGiveThePixelSizeOfEachImageInput)
{
    QDir(m_dir.path()).mkpath("stacks");
    for (const int depth : {1, 3}) {
        KORA::CImage image(KORA::IMAGE_GREY_8, KORA::CSize(6, 4, depth));
        image.Attributes().SetEntry("pixel_size_x", new KORA::CValueDouble(0.65));
        image.Attributes().SetEntry("pixel_size_y", new KORA::CValueDouble(0.5));
        image.Attributes().SetEntry("pixel_size_z", new KORA::CValueDouble(2.0));
        image.Attributes().SetEntry("pixel_unit", new KORA::CValueString("µm"));
        KORA::CImageIo2::Save(path("stacks/%1.tif").arg(depth).toLocal8Bit().constData(), image);
    }
    QFile::copy(path("images/img_0.png"), path("stacks/9.png"));
    const QStringList arguments{"-i", "n=stacks/", "-i", "s=string:a", "-i", "s=string:b", "-i", "s=string:c", "-j", "2",
                                "--suffix", ".tif", "-o", "out", "--journal", "j.jsonl", "--table", "t.csv", "typed.ogr"};
    const Outcome outcome = run(arguments);
    ASSERT_EQ(outcome.status, 0) << outcome.err.toStdString();
    // The journal's pixel sizes do not make the same inputs look changed to a resume, whose table has them too.
    EXPECT_TRUE(lastLine(run(arguments)).startsWith("0 done, 0 failed, 3 skipped"));
    const QStringList lines = withoutTimes(path("t.csv"));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[0].endsWith(",input 0: n xxh3,input 1: s xxh3,output 0: n xxh3,output 1: s xxh3,"
                                  "input 0: n pixel size,input 0: n pixel unit"))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].endsWith(",0.65 x 0.5,µm")) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].endsWith(",0.65 x 0.5 x 2,µm")) << lines[2].toStdString();
    EXPECT_TRUE(lines[3].endsWith(",,")) << lines[3].toStdString();
}
