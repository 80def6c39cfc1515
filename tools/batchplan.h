#pragma once
// Everything a batch needs before its first index runs: the loaded graph, the inputs of every port, the
// output patterns, the merged parameters and the digest the journal compares. Parent and worker processes
// build the same plan from the same command line.
//
// Items exist only for the indices in flight: a batch of 100,000 files keeps their texts, not 100,000 Qt
// objects. placeItems() puts an index's items into the port lists, where they know their batch row as
// they do in the main window, and removeItems() deletes them again.
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QStringList>

#include <memory>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <vector>

#include "executor/outputnaming.h"
#include "tools/options.h"
#include "tools/inputlist.h"

namespace KORA {
class CValueMap;
}
namespace OstrelGraph {
class Graph;
}

namespace VORNE {
class Item;
class ItemModel;
} // namespace VORNE

namespace VORNE::batch {

// The graph file cannot be read or loaded.
class GraphError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class BatchPlan
{
public:
    // Throws UsageError, InputError (sources.h) or GraphError.
    explicit BatchPlan(const Options& options);
    ~BatchPlan();
    BatchPlan(const BatchPlan&) = delete;
    BatchPlan& operator=(const BatchPlan&) = delete;

    QString graphPath() const { return m_graphPath; }
    OstrelGraph::Graph* graph() const { return m_graph.get(); }
    const QStringList& inputNames() const { return m_inputNames; }
    const QStringList& outputNames() const { return m_outputNames; }
    // The items a port was given.
    int itemCount(int port) const { return m_inputs.at(static_cast<std::size_t>(port)).size(); }
    const QList<OutputPattern>& outputPatterns() const { return m_patterns; }
    const KORA::CValueMap& parameters() const { return *m_parameters; }
    // Hex SHA-256 over the graph file, the parameters and the output naming.
    const QString& digest() const { return m_digest; }
    // The content checksum of the graph file's bytes.
    const QString& graphChecksum() const { return m_graphChecksum; }
    // Whether inputs and outputs get content checksums (--no-checksums).
    bool checksums() const { return m_checksums; }
    // The smallest item count over the input ports; 1 for a graph without inputs.
    int batchSize() const { return m_batchSize; }
    // Set when the ports hold different numbers of items.
    QString sizeWarning() const { return m_sizeWarning; }
    // "skipped 2 files: b.xyz (no reader for .xyz), ..." for the files folder and glob sources left out;
    // empty when none.
    QString skipReport() const;

    // True when every input file and every output suffix is PNG: such a batch never needs OpenCV's codecs.
    bool pngOnly() const;

    // The indices --range and --shard leave, in order.
    QList<int> selectedIndices(const Options& options) const;
    // What the journal records of an index's inputs: per port the item's type and text, and for files
    // their size and modification time, so that a changed file counts as a changed input; with checksums
    // also their content checksum, which reads every file.
    nlohmann::json inputsOf(int index, bool checksums) const;
    // What the output patterns see of an index's inputs.
    QList<NamingInput> namingOf(int index) const;
    // The item texts of an index, for progress and the plan.
    QStringList inputTexts(int index) const;

    // The new items of an index, one per input port, in the port lists. The plan's thread only; another
    // thread may use the items of an index while the next one's are placed.
    QList<Item*> placeItems(int index) const;
    void removeItems(int index) const;

private:
    void loadGraph(const QString& path);
    void fillInputs(const Options& options);
    void makePatterns(const Options& options);
    void choosePlanes(const Options& options);
    void makeParameters(const Options& options);
    int resolvePort(const QString& port, const QStringList& names, const char* what) const;

    QString m_graphPath;
    std::unique_ptr<OstrelGraph::Graph> m_graph;
    QStringList m_inputNames;
    QStringList m_outputNames;
    QObject m_modelOwner;
    QList<ItemModel*> m_models;
    std::vector<InputList> m_inputs; // per port
    QList<OutputPattern> m_patterns;
    std::unique_ptr<KORA::CValueMap> m_parameters;
    QString m_digest;
    QString m_graphChecksum;
    bool m_checksums = true;
    int m_batchSize = 0;
    QString m_sizeWarning;
    QStringList m_skippedFiles;
    QString m_planeText; // the plane choices, for the digest
};

} // namespace VORNE::batch
