#pragma once
// Private to the base library: reading and checking graph descriptions, shared by Graph and CPGraph.
#include <memory>
#include <string>

#include "graphmodel.h"

namespace OstrelGraph {
namespace detail {

class GraphBuilder
{
public:
    // Creates every node (loading its plug-in) and checks the description. CException whose source is
    // origin and whose message names the node and the problem.
    static std::unique_ptr<GraphModel> Build(const KORA::CValueMap& map, const std::string& origin, bool verbose);
    // A .ogr (text) or .xml file, told apart by its first non-blank character; records the absolute path.
    static std::unique_ptr<GraphModel> Load(const char* path, bool verbose);
};

} // namespace detail
} // namespace OstrelGraph
