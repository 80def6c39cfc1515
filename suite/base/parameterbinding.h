#pragma once
// Private to the base library: node parameters of a graph description, "$path" references into the graph's
// parameter map, and the kind rules between a given value and the node's default.
#include <memory>
#include <string>
#include <vector>

#include "graphmodel.h"

namespace OstrelGraph {
namespace detail {

class ParameterBinding
{
public:
    // A new value of the default's kind: the value itself when the kinds agree (or there is no default),
    // a converted number between long and double, otherwise a CException naming node and key.
    static KORA::CValue* Conform(const KORA::CValue& value, const KORA::CValue* defaultValue,
                                 const std::string& key, const std::string& node);

    // Splits a node's written parameters into fixed values (conformed, "$$" made a literal "$") and
    // references, recursing into maps.
    static void Split(const KORA::CValueMap& written, const KORA::CValueMap& defaults, const std::string& node,
                      KORA::CValueMap& fixed, std::vector<ParameterReference>& references);

    // The parameters to initialise the node with: its fixed values and every reference looked up in
    // graphParameters. A missing reference is an error unless skipMissing (then the node keeps its default).
    static std::unique_ptr<KORA::CValueMap> Resolve(const GraphNode& node, const KORA::CValueMap& graphParameters,
                                                    const std::string& description, bool skipMissing);
};

} // namespace detail
} // namespace OstrelGraph
