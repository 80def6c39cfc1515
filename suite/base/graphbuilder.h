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
    // Beyond the wiring, a node parameter the node does not declare and a "$path" the graph's parameters
    // do not hold are refused here, so hosts that create nodes by other means stay free to pass extra keys.
    // A .ogr (text) or .xml file, told apart by its first non-blank character; records the absolute path.
    // A key written twice (a node named twice) is refused by the file's reader: the map it hands on has
    // already kept only the last.
    static std::unique_ptr<GraphModel> Load(const char* path, bool verbose);
};

} // namespace detail
} // namespace OstrelGraph
