// The graph loader on arbitrary .ogr text: it may fail only with a CException. Nodes of the testing plug-in
// load from $KORADIR (scripts/fuzz.sh points it at the fuzz build), so the seeds reach the checks of
// parameters, edges and ports, not only the parsing.
#include <memory>

#include "kora/exception.h"
#include "ostrel/graph.h"
#include "tempfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = fuzz::WriteTemp(data, size, "graph.ogr");
    if (path.empty())
        return 0;
    try {
        std::unique_ptr<OstrelGraph::Graph> graph(OstrelGraph::Graph::LoadFromFile(path.c_str()));
    } catch (const KORA::CException&) {
    }
    return 0;
}
