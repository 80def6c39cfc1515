// Cost of running graphs: the per-node overhead of the engine (Echo nodes do no work) and a small image
// pipeline at one and two threads.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "koradir.h"
#include "ostrel/ostrel.h"

using namespace KORA;
using OstrelGraph::Graph;
using OstrelGraph::ThreadScheduler;

namespace {

void AddNode(CValueMap& map, const std::string& name, const std::string& plugin)
{
    map.SetEntry("nodes/" + name + "/plugin", new CValueString(plugin));
}

void AddEdge(CValueMap& map, const std::string& from, const std::string& to)
{
    if (!map.HasEntry("edges"))
        map.SetEntry("edges", new CValueVector());
    static_cast<CValueVector&>(map.Entry("edges")).Append(new CValueString(from + " -> " + to));
}

void AddPort(CValueMap& map, const char* section, const std::string& name, const char* key, const std::string& pin)
{
    if (!map.HasEntry(section))
        map.SetEntry(section, new CValueVector());
    auto* port = new CValueMap();
    port->SetEntry("name", new CValueString(name));
    if (std::string(key) == "to") {
        auto* to = new CValueVector();
        to->Append(new CValueString(pin));
        port->SetEntry("to", to);
    } else {
        port->SetEntry(key, new CValueString(pin));
    }
    static_cast<CValueVector&>(map.Entry(section)).Append(port);
}

// chain: in -> e0 -> e1 -> ... ; fan-out: in -> e0 -> {e1 ... en-1}.
std::unique_ptr<Graph> EchoGraph(int nodes, bool chain)
{
    CValueMap map;
    const std::string echo = "%KORADIR%/bin/testing::Echo";
    for (int i = 0; i < nodes; ++i) {
        const std::string name = "e" + std::to_string(i);
        AddNode(map, name, echo);
        if (i > 0)
            AddEdge(map, (chain ? "e" + std::to_string(i - 1) : std::string("e0")) + ":0", name + ":0");
    }
    AddPort(map, "inputs", "in", "to", "e0:0");
    AddPort(map, "outputs", "out", "from", "e" + std::to_string(nodes - 1) + ":0");
    return std::unique_ptr<Graph>(Graph::LoadFromMap(map));
}

void RunEcho(benchmark::State& state, bool chain)
{
    DefaultKoradir();
    const int nodes = static_cast<int>(state.range(0));
    const int threads = static_cast<int>(state.range(1));
    std::unique_ptr<Graph> graph;
    try {
        graph = EchoGraph(nodes, chain);
    } catch (const CException& e) {
        state.SkipWithError(e.FormattedWhat().c_str());
        return;
    }
    // threads 0 here means no scheduler: the sequential path on the calling thread.
    ThreadScheduler scheduler(threads);
    graph->ExchangeThreadScheduler(threads > 0 ? &scheduler : nullptr);
    graph->SetInpinData(0, new CValueLong(1));
    for (auto _ : state) {
        graph->Execute();
        benchmark::DoNotOptimize(graph->GetOutpinData(0));
    }
    graph->CheckError();
    state.SetItemsProcessed(state.iterations() * nodes);
    state.counters["per_node"] =
        benchmark::Counter(nodes, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_EchoChain(benchmark::State& state)
{
    RunEcho(state, true);
}

void BM_EchoFanOut(benchmark::State& state)
{
    RunEcho(state, false);
}

// Two branches of three nodes each on a 1024 x 1024 grey image.
void BM_ImageGraph(benchmark::State& state)
{
    DefaultKoradir();
    const std::string library = std::string(std::getenv("KORADIR")) + "/bin/libimgproc.so";
    if (!std::filesystem::exists(library)) {
        state.SkipWithError("the imgproc plug-in is not built");
        return;
    }
    CValueMap map;
    const std::string imgproc = "%KORADIR%/bin/imgproc::";
    const char* const nodes[][2] = {{"blur", "GaussianBlur"},     {"median", "MedianBlur"},
                                    {"gradient", "GradientMagnitude"}, {"invert", "Invert"},
                                    {"normalize", "Normalize"},   {"mask", "Threshold"}};
    for (const auto& node : nodes)
        AddNode(map, node[0], imgproc + node[1]);
    map.SetEntry("nodes/blur/parameters/sigma", new CValueDouble(2.0));
    AddEdge(map, "blur:0", "gradient:0");
    AddEdge(map, "gradient:0", "normalize:0");
    AddEdge(map, "median:0", "invert:0");
    AddEdge(map, "invert:0", "mask:0");
    auto* targets = new CValueVector();
    targets->Append(new CValueString("blur:0"));
    targets->Append(new CValueString("median:0"));
    auto* input = new CValueMap();
    input->SetEntry("name", new CValueString("image"));
    input->SetEntry("to", targets);
    map.SetEntry("inputs", new CValueVector());
    static_cast<CValueVector&>(map.Entry("inputs")).Append(input);
    AddPort(map, "outputs", "edges", "from", "normalize:0");
    AddPort(map, "outputs", "mask", "from", "mask:0");

    std::unique_ptr<Graph> graph;
    try {
        graph.reset(Graph::LoadFromMap(map));
    } catch (const CException& e) {
        state.SkipWithError(e.FormattedWhat().c_str());
        return;
    }
    auto* image = new CImage(IMAGE_GREY_8, CSize(1024, 1024));
    for (int64_t y = 0; y < 1024; ++y) {
        uint8_t* row = image->Row<uint8_t>(y);
        for (int64_t x = 0; x < 1024; ++x)
            row[x] = static_cast<uint8_t>((x * 7 + y * 13) ^ (x * y));
    }
    graph->SetInpinData(0, new CValueOwnedPointer<CImage>(image));
    ThreadScheduler scheduler(static_cast<int>(state.range(0)));
    graph->ExchangeThreadScheduler(&scheduler);
    for (auto _ : state) {
        graph->Execute();
        benchmark::DoNotOptimize(graph->GetOutpinData(0));
    }
    try {
        graph->CheckError();
    } catch (const CException& e) {
        state.SkipWithError(e.FormattedWhat().c_str());
    }
    state.SetItemsProcessed(state.iterations() * 1024 * 1024);
}

} // namespace

BENCHMARK(BM_EchoChain)->ArgsProduct({{1, 10, 100}, {0, 1, 2}})->ArgNames({"nodes", "threads"});
BENCHMARK(BM_EchoFanOut)->ArgsProduct({{1, 10, 100}, {0, 1, 2}})->ArgNames({"nodes", "threads"});
BENCHMARK(BM_ImageGraph)->Arg(1)->Arg(2)->ArgNames({"threads"})->UseRealTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
