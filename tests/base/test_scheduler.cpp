#include <atomic>
#include <chrono>
#include <thread>

#include "graphfixtures.h"
#include "ostrel/ostrel.h"

using namespace KORA;
using graphtest::GraphText;
using OstrelGraph::Graph;
using OstrelGraph::ThreadScheduler;
using Clock = std::chrono::steady_clock;

namespace {

std::atomic<bool> g_stop{false};
std::atomic<int> g_polls{0};

bool MayContinue()
{
    ++g_polls;
    return !g_stop.load();
}

// Like the host's callback: turns the report into an exception and never returns.
void ThrowingErrorCallback(const char* message, const char* source)
{
    throw CException(message ? message : "<no error message given>", source ? source : "OstrelGraph");
}

std::unique_ptr<ThreadScheduler> MakeScheduler(int threads)
{
    g_stop = false;
    auto scheduler = std::make_unique<ThreadScheduler>(threads);
    scheduler->mayContinueBeforeNode = &MayContinue;
    scheduler->mayContinueInNode = &MayContinue;
    scheduler->errorCallback = &ThrowingErrorCallback;
    return scheduler;
}

// in -> d1, in -> d2, each a Delay of ms milliseconds.
std::unique_ptr<Graph> TwoDelays(int ms, ThreadScheduler* scheduler)
{
    GraphText description;
    description.Node("d1", "Delay").Node("d2", "Delay");
    description.Param("d1", "ms", new CValueLong(ms)).Param("d2", "ms", new CValueLong(ms));
    description.Input("in", {"d1:0", "d2:0"}).Output("o1", "d1:0").Output("o2", "d2:0");
    return graphtest::Loaded(description, scheduler);
}

} // namespace

// Two threads run two 200 ms branches side by side; one thread runs them one after the other.
TEST(Scheduler, ThreadCountDecidesHowManyNodesRunAtOnce)
{
    for (int threads : {2, 1}) {
        auto scheduler = MakeScheduler(threads);
        auto graph = TwoDelays(200, scheduler.get());
        const auto start = Clock::now();
        graph->Execute();
        const auto elapsed = Clock::now() - start;
        graph->CheckError();
        EXPECT_EQ(threads == 2, elapsed < std::chrono::milliseconds(380)) << threads << " threads";
        EXPECT_EQ(graph->GetOutpinData(0), graph->GetOutpinData(1));
    }
    EXPECT_GT(g_polls.load(), 2) << "nodes poll while they wait";
}

TEST(Scheduler, DiamondAndFanOutGiveEveryOutputAtAnyThreadCount)
{
    for (int threads : {0, 1, 3}) {
        auto scheduler = MakeScheduler(threads);
        GraphText description = graphtest::Fork("Delay");
        description.Param("b", "ms", new CValueLong(1));
        for (int i = 0; i < 12; ++i) {
            const std::string name = "fan" + std::to_string(i);
            description.Node(name, i % 2 ? "Echo" : "Delay").Edge("c:0 -> " + name + ":0").Output(name, name + ":0");
            if (i % 2 == 0)
                description.Param(name, "ms", new CValueLong(2));
        }
        std::unique_ptr<Graph> graph(Graph::LoadFromMap(description.Map(), scheduler.get()));
        auto* input = new CValueString("x");
        graph->SetInpinData(0, input);
        for (int run = 0; run < 2; ++run) {
            graph->Execute();
            graph->CheckError();
            for (int pin = 0; pin < graph->GetOutpinCount(); ++pin)
                EXPECT_EQ(graph->GetOutpinData(pin), input) << "threads " << threads << ", pin " << pin;
        }
    }
}

TEST(Scheduler, StopEndsTheExecutionWithoutError)
{
    auto scheduler = MakeScheduler(2);
    GraphText description;
    description.Node("long", "Delay").Node("next", "Echo").Param("long", "ms", new CValueLong(10000));
    description.Edge("long:0 -> next:0").Input("in", {"long:0"}).Output("out", "next:0");
    auto graph = graphtest::Loaded(description, scheduler.get());
    std::thread runner([&] { graph->Execute(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const auto requested = Clock::now();
    g_stop = true;
    runner.join();
    EXPECT_LT(Clock::now() - requested, std::chrono::seconds(1)) << "a 10 s node must notice the stop";
    EXPECT_NO_THROW(graph->CheckError());
    EXPECT_EQ(graph->GetOutpinData(0), nullptr);

    // Stopped before the first node: nothing runs.
    graph->Execute();
    EXPECT_NO_THROW(graph->CheckError());
    EXPECT_EQ(graph->GetOutpinData(0), nullptr);
}

TEST(Scheduler, RecordsWhatTheErrorCallbackThrows)
{
    for (bool callback : {true, false}) {
        auto scheduler = MakeScheduler(2);
        if (!callback)
            scheduler->errorCallback = nullptr;
        GraphText description;
        description.Node("slow", "Delay").Node("bad", "Fail").Node("after", "Echo");
        description.Param("slow", "ms", new CValueLong(50)).Param("bad", "message", new CValueString("broken"));
        description.Edge("bad:0 -> after:0").Input("in", {"slow:0", "bad:0"});
        description.Output("slow", "slow:0").Output("after", "after:0");
        auto graph = graphtest::Loaded(description, scheduler.get());
        graph->Execute();
        EXPECT_EQ(graph->GetOutpinData(1), nullptr) << "a node after the failure ran";
        EXPECT_EQ(testsupport::ErrorOf([&] { graph->CheckError(); }, true),
                  callback ? "bad: broken" : "node 'bad' (testing::Fail): broken");
        EXPECT_NO_THROW(graph->CheckError());
    }
}
