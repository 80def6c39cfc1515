#pragma once
// The graph parameters a batch runs with: those the main window shows for editing, with the command
// line's parameter files and single parameters merged over them.
#include <QString>

#include <memory>

namespace KORA {
class CValueMap;
}
namespace OstrelGraph {
class Graph;
}

namespace VORNE::batch {

// The graph's parameters without run bookkeeping ("__...") and without those the graph marks unused.
std::unique_ptr<KORA::CValueMap> visibleParameters(const OstrelGraph::Graph& graph);

// Merges a parameter map file: XML when its first non-blank character is '<', else text. Throws
// UsageError naming the file.
void mergeParameterFile(KORA::CValueMap& parameters, const QString& path);

// Sets one entry by key path; a key the parameters lack is refused with UsageError naming the nearest
// known key. The text is read as a text-serialized value; a bare word that is no value
// becomes a string. A long given for a double entry becomes a double, anything for a string entry a
// string; other kinds than the entry has are refused with UsageError.
void setParameter(KORA::CValueMap& parameters, const QString& key, const QString& text);

} // namespace VORNE::batch
