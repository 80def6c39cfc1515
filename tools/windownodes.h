#pragma once
// VORNE's own plug-in entries (vorne::Vorne, vorne::RunGraph) are the main window as a node: creating one
// creates a widget, which aborts a process without a QApplication. The runner reads a graph's node list
// before loading it and refuses such a graph with the reason instead.
#include <QString>

namespace VORNE::batch {

// Throws GraphError naming the node when the graph file at path has a node of VORNE's window. A file
// that cannot be read as a graph passes: loading it reports why.
void refuseWindowNodes(const QString& path);

} // namespace VORNE::batch
