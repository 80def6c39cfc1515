// The overlapped batch loop of one process: inputs decoded ahead, images saved behind, and each index
// handed on in order once its files are complete.
#include <QDir>

#include <atomic>
#include <future>
#include <thread>

#include "batchfixture.h"
#include "executor/inputcache.h"
#include "kora/kora.h"
#include "testmain.h"
#include "tools/batchplan.h"
#include "tools/indexrunner.h"

using VORNE::batch::IndexResult;
using VORNE::batch::IndexRunner;

namespace {

KORA::CValue* decode(const QString& path)
{
    return new KORA::CValueOwnedPointer<KORA::CImage>(KORA::CImageIo2::Load(path.toLocal8Bit().constData(), {}), 1);
}

} // namespace

class Runner : public BatchFixture
{
protected:
    std::unique_ptr<VORNE::batch::BatchPlan> plan(const QString& output)
    {
        QDir::setCurrent(m_dir.path());
        return std::make_unique<VORNE::batch::BatchPlan>(
            VORNE::batch::parseOptions({"-i", "0=images/", "-o", output, "--suffix", ".png", "blur_otsu.ogr"}));
    }
    QList<int> all() const { return {0, 1, 2, 3, 4}; }
    static bool never() { return false; }
};

TEST_F(Runner, InputsComeFromTheCacheAndEachIndexIsHandedOnWithItsFileComplete)
{
    // Large enough that a save still runs when the next index starts.
    cv::Mat large(2000, 2000, CV_8UC1);
    cv::randu(large, 0, 255);
    cv::imwrite(path("images/img_0.png").toStdString(), large);
    const auto batch = plan("out");
    // Every index is given index 0's image, and one of them is slow to come.
    std::atomic<int> decoded{0};
    IndexRunner runner(*batch, 0, [&](const QString& file) {
        if (file.endsWith("img_2.png"))
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        ++decoded;
        return decode(path("images/img_0.png"));
    });
    QList<int> order;
    runner.runAll(all(), &never, [&](const IndexResult& result) {
        order << result["index"].get<int>();
        ASSERT_FALSE(result["failed"].get<bool>()) << result.dump();
        const std::string file = result["outputs"][0]["value"];
        EXPECT_FALSE(cv::imread(file, cv::IMREAD_UNCHANGED).empty()) << file;
    });
    EXPECT_EQ(order, all());
    EXPECT_EQ(decoded, 4); // index 0 loads its own input
    const cv::Mat first = cv::imread(path("out/img_0_0.png").toStdString(), cv::IMREAD_UNCHANGED);
    const cv::Mat fourth = cv::imread(path("out/img_4_0.png").toStdString(), cv::IMREAD_UNCHANGED);
    EXPECT_EQ(cv::norm(first, fourth, cv::NORM_INF), 0);
}

TEST_F(Runner, AFailedSaveFailsOnlyItsIndex)
{
    // A folder where index 2's file should go.
    QDir(m_dir.path()).mkpath("out/img_2_0.png");
    const auto batch = plan("out");
    IndexRunner runner(*batch, 0);
    QList<bool> failed;
    runner.runAll(all(), &never, [&](const IndexResult& result) {
        failed << result["failed"].get<bool>();
        EXPECT_EQ(result["outputs"][0]["type"], failed.last() ? "no value" : "image file") << result.dump();
    });
    EXPECT_EQ(failed, (QList<bool>{false, false, true, false, false}));
}

TEST_F(Runner, CancelWhileTheNextIndexLoadsEndsWithoutWaitingForIt)
{
    const auto batch = plan("out");
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    IndexRunner runner(*batch, 0, [&](const QString& file) {
        if (file.endsWith("img_1.png"))
            released.wait();
        return decode(file);
    });
    std::atomic<bool> stop{false};
    std::atomic<bool> finished{false};
    std::atomic<bool> gaveUp{false};
    // Interrupts keep coming until the loop ends, as from a signal handler; the first one may land before
    // the execution has begun, which clears it. Should the loop wait for the input, the load is let go.
    std::thread interrupter([&] {
        while (!stop)
            std::this_thread::yield();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (!finished && std::chrono::steady_clock::now() < deadline) {
            runner.abort();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (!finished) {
            gaveUp = true;
            release.set_value();
        }
    });
    QList<IndexResult> results;
    runner.runAll(all(), [&] { return stop.load(); }, [&](const IndexResult& result) {
        results << result;
        stop = true;
    });
    finished = true;
    interrupter.join();
    if (!gaveUp)
        release.set_value();
    EXPECT_FALSE(gaveUp);
    ASSERT_EQ(results.size(), 2);
    EXPECT_FALSE(results[0]["failed"].get<bool>());
    EXPECT_TRUE(results[1].value("aborted", false));
    EXPECT_EQ(QDir(path("out")).entryList(QDir::Files), QStringList{"img_0_0.png"});
}
