#pragma once
// What a table or report says about the batch as a whole: the graph, its digest and parameters, the port
// names that name the columns, where and when it ran. Stored as one line {"batch": {...}} in front of a
// run's records; readers of records skip it, as it has no index.
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <nlohmann/json.hpp>

#include "executor/outputpattern.h"

namespace KORA {
class CValueMap;
}

namespace VORNE {

struct BatchHeader
{
    QString graph;
    QString digest;
    QString parameters; // text-serialized
    QStringList inputs; // port names, in port order
    QStringList outputs;
    QStringList hosts;  // one per run that wrote records, in order of appearance
    QDateTime started;  // the earliest start
    // What a rerun needs besides: the output naming per port, and the graph file's checksum.
    QList<OutputPattern> naming;
    QString graphChecksum;
    // results/provenance.h; null: the writing process's own. Of the first header merged.
    nlohmann::json provenance;

    nlohmann::json toJson() const;
    // Merges a header line into this one; false when the line is none.
    bool merge(const nlohmann::json& line);
};

// The parameters as the header and the digest hold them.
QString parameterText(const KORA::CValueMap* parameters);
// Hex SHA-256 over the graph file's bytes, the parameter text and the output naming: two runs with the
// same digest write the same files from the same inputs.
QString runDigest(const QByteArray& graphFile, const QString& parameters, const QList<OutputPattern>& patterns);

// "4.25 s" below a minute, else "1:02:03".
QString formatDuration(qint64 milliseconds);

} // namespace VORNE
