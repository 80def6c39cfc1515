#pragma once
// The command line of vorne-batch. Parsing only: nothing here touches files, graphs or the environment
// except --shard auto, which reads the array task of the cluster's scheduler.
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <stdexcept>
#include <vector>

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
    // Channel and time point of multi-channel or time-lapse image files, per port; each defaults to 0 once
    // the other is given.
    PortValues channels;
    PortValues timePoints;
    QList<QPair<QString, QString>> params; // key path, text-serialized value, in command-line order
    QStringList paramFiles;
    int threads = 0;
    int jobs = 1;
    int rangeFirst = 0;
    int rangeLast = -1; // -1: to the end
    int shardIndex = 0;
    int shardCount = 1;
    QString journal;
    QString table;  // results table of the run
    QString report; // report folder of the run
    // Resume decides by the inputs' checksums instead of their size and modification time.
    bool resumeByContent = false;
    // Content checksums of inputs and outputs in the journal and table.
    bool checksums = true;
    // "table", "report", "verify" or "rerun": working on the journals of earlier runs instead of running a
    // graph; "split": splitting image files into one file per channel and time point.
    QString command;
    QStringList journals;
    // split: the image files; the folder is outputDirs[""].
    QStringList files;
    // rerun: run although the graph or inputs changed since the recorded run.
    bool force = false;
    // report: mark outputs whose files changed since the run.
    bool verify = false;
    bool dryRun = false;
    // Run even when outputs of this batch would overwrite each other.
    bool overwrite = false;
    // Seconds an interrupted execution gets to end before the program exits anyway.
    int graceSeconds = 5;
    bool quiet = false;
    bool help = false;
    bool version = false;
};

// One option of a run: its names, what its value (empty for a flag) does to Options, and its lines of the
// usage text, so that parsing and the usage cannot disagree about which options exist.
struct OptionRow
{
    const char* shortName; // "" when there is none
    const char* longName;
    bool takesValue;
    void (*apply)(Options& options, const QString& value);
    // "" when another row's lines name it too.
    const char* usage;
};

// In the order of the usage text.
const std::vector<OptionRow>& optionTable();

// The arguments without the program name. Throws UsageError.
Options parseOptions(const QStringList& arguments);

// Splits "[PORT=]VALUE" into port ("" without one) and value. A value that itself holds "=" needs a port.
QPair<QString, QString> splitPortValue(const QString& text);

QString usageText();

} // namespace VORNE::batch
