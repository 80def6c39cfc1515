#pragma once
// The command line of vorne-batch. Parsing only: nothing here touches files, graphs or the environment
// except --shard auto, which reads the array task of the cluster's scheduler.
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <stdexcept>

namespace VORNE::batch {

// Bad usage: the message is shown with a hint to --help and the program ends with status 2.
class UsageError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

struct InputSource
{
    QString port;   // an index or an input pin name, resolved against the graph later
    QString source; // @LIST, DIR/, a glob, FILE or a typed item
};

// A value that may be given for every port ("" key) and overridden per port.
using PortValues = QMap<QString, QString>;

struct Options
{
    QString graph;
    QList<InputSource> inputs;
    PortValues outputDirs;
    PortValues patterns;
    PortValues suffixes;
    QList<QPair<QString, QString>> params; // key path, text-serialized value, in command-line order
    QStringList paramFiles;
    int threads = 0;
    int jobs = 1;
    int rangeFirst = 0;
    int rangeLast = -1; // -1: to the end
    int shardIndex = 0;
    int shardCount = 1;
    QString journal;
    bool dryRun = false;
    bool quiet = false;
    bool help = false;
    bool version = false;
};

// The arguments without the program name. Throws UsageError.
Options parseOptions(const QStringList& arguments);

// Splits "[PORT=]VALUE" into port ("" without one) and value. A value that itself holds "=" needs a port.
QPair<QString, QString> splitPortValue(const QString& text);

QString usageText();

} // namespace VORNE::batch
