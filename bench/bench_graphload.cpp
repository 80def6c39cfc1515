// Cost of loading a graph file as its node count grows: a chain of Echo nodes written as .ogr text. The
// time per node must stay flat (loading is linear); a 100,000-node chain should load in well under 2 s.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "koradir.h"
#include "ostrel/ostrel.h"

namespace {

std::string ChainFile(int nodes)
{
    const std::string path =
        (std::filesystem::temp_directory_path() / ("vorne-chain-" + std::to_string(nodes) + ".ogr")).string();
    std::ofstream out(path);
    out << "{ \"nodes\": {\n";
    for (int i = 0; i < nodes; ++i)
        out << (i ? ",\n" : "") << "  \"e" << i << "\": { \"plugin\": \"%KORADIR%/bin/testing::Echo\" }";
    out << "\n},\n\"edges\": [\n";
    for (int i = 1; i < nodes; ++i)
        out << (i > 1 ? ",\n" : "") << "  \"e" << i - 1 << ":0 -> e" << i << ":0\"";
    out << "\n],\n\"inputs\": [ { \"name\": \"in\", \"to\": [ \"e0:0\" ] } ],\n"
        << "\"outputs\": [ { \"name\": \"out\", \"from\": \"e" << nodes - 1 << ":0\" } ] }\n";
    return path;
}

void BM_LoadChain(benchmark::State& state)
{
    DefaultKoradir();
    const int nodes = static_cast<int>(state.range(0));
    const std::string path = ChainFile(nodes);
    for (auto _ : state) {
        try {
            std::unique_ptr<OstrelGraph::Graph> graph(OstrelGraph::Graph::LoadFromFile(path.c_str(), nullptr, false));
            benchmark::DoNotOptimize(graph.get());
        } catch (const KORA::CException& e) {
            state.SkipWithError(e.FormattedWhat().c_str());
            break;
        }
    }
    std::filesystem::remove(path);
    state.counters["per_node"] =
        benchmark::Counter(nodes, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK(BM_LoadChain)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
