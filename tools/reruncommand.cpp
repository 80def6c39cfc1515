#include "tools/reruncommand.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cstdio>
#include <vector>

#include "items/checksum.h"
#include "results/indexrecord.h"
#include "results/recordindex.h"
#include "results/resultstable.h"
#include "results/savedoutput.h"
#include "tools/batchplan.h"
#include "tools/console.h"
#include "tools/indexrunner.h"
#include "tools/sources.h"

namespace VORNE::batch {

namespace {

// The command-line source that gives the item again; empty when no source can.
QString sourceOf(const QString& type, const QString& value)
{
    if (type == QLatin1String("image file"))
        return value;
    static const QStringList typed{QStringLiteral("long"), QStringLiteral("double"), QStringLiteral("string"),
                                   QStringLiteral("bool"), QStringLiteral("vector")};
    return typed.contains(type) ? type + QLatin1Char(':') + value : QString();
}

// Why a recorded input file would not give the same outputs; empty when it is unchanged.
QString inputChange(const nlohmann::json& input)
{
    const QString file = recordText(input, "value");
    if (!QFileInfo(file).isFile())
        return QStringLiteral("input '%1' is missing").arg(file);
    const QString recorded = recordText(input, "xxh3");
    if (recorded.isEmpty())
        return QStringLiteral("input '%1' has no recorded checksum").arg(file);
    const QString now = fileChecksum(file);
    return now == recorded ? QString() : QStringLiteral("input '%1' changed since the run").arg(file);
}

QString graphChange(const BatchHeader& header)
{
    QFile graph(header.graph);
    if (!graph.open(QIODevice::ReadOnly))
        return QStringLiteral("the graph file '%1' cannot be read: %2").arg(header.graph, graph.errorString());
    if (header.graphChecksum.isEmpty())
        return QStringLiteral("the journal records no checksum of the graph file '%1'").arg(header.graph);
    const QByteArray bytes = graph.readAll();
    const QString now = contentChecksum(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return now == header.graphChecksum
               ? QString()
               : QStringLiteral("the graph file '%1' changed since the run (xxh3 %2, now %3)")
                     .arg(header.graph, header.graphChecksum, now);
}

} // namespace

int runRerun(const Options& given, const std::function<bool()>& stop)
{
    RecordIndex records;
    for (const QString& journal : given.journals)
        records.addFile(journal);
    const BatchHeader& header = records.header();
    if (header.graph.isEmpty())
        throw UsageError("the journals hold no batch header: nothing says which graph ran");
    if (header.naming.isEmpty())
        throw UsageError("the journals record no output naming (written before rerun existed)");

    Options options;
    options.graph = header.graph;
    options.outputDirs[QString()] = given.outputDirs.value(QString());
    for (int port = 0; port < header.naming.size(); ++port) {
        const QString key = header.naming.size() == 1 ? QString() : QString::number(port);
        options.patterns[key] = header.naming[port].pattern;
        options.suffixes[key] = header.naming[port].suffix;
    }
    QStringList refusals;
    const QString graph = graphChange(header);
    if (!graph.isEmpty())
        refusals << graph;
    // The recorded outputs of each index, in the order the rerun runs them.
    std::vector<std::pair<int, nlohmann::json>> recorded;
    records.forEach([&](const nlohmann::json& record) {
        const nlohmann::json inputs = record.value("inputs", nlohmann::json::array());
        const int index = record.value("index", -1);
        for (std::size_t port = 0; inputs.is_array() && port < inputs.size(); ++port) {
            const QString type = recordText(inputs[port], "type");
            const QString source = sourceOf(type, recordText(inputs[port], "value"));
            if (source.isEmpty())
                throw UsageError(QStringLiteral("index %1: an input of type %2 cannot be given again")
                                     .arg(index)
                                     .arg(type)
                                     .toStdString());
            if (type == QLatin1String("image file"))
                if (const QString change = inputChange(inputs[port]); !change.isEmpty())
                    refusals << QStringLiteral("index %1: %2").arg(index).arg(change);
            options.inputs.append({QString::number(port), source});
        }
        recorded.emplace_back(index, record.value("outputs", nlohmann::json::array()));
    });
    if (!refusals.isEmpty()) {
        std::fprintf(stderr, "vorne-batch: %s\n",
                     refusals.join(QStringLiteral("\nvorne-batch: ")).toLocal8Bit().constData());
        if (!given.force) {
            std::fputs("vorne-batch: rerun refused; give --force to run anyway\n", stderr);
            return 2;
        }
    }
    // The parameters as recorded, merged over the graph's own.
    QTemporaryFile parameters;
    if (!parameters.open() || parameters.write(header.parameters.toUtf8()) < 0 || !parameters.flush())
        throw UsageError("could not write a temporary parameter file");
    if (!header.parameters.isEmpty())
        options.paramFiles << parameters.fileName();

    const BatchPlan plan(options);
    if (plan.batchSize() != static_cast<int>(recorded.size()) && !recorded.empty())
        throw InputError("the recorded inputs do not make one item per port and index");
    QList<int> indices;
    for (int i = 0; i < static_cast<int>(recorded.size()); ++i)
        indices << i;
    int identical = 0, differ = 0, notCompared = 0;
    QStringList differing;
    IndexRunner runner(plan, 0);
    runner.runAll(indices, stop, [&](const IndexResult& result) {
        const auto& [index, before] = recorded[static_cast<std::size_t>(result.value("index", 0))];
        const nlohmann::json after = result.value("outputs", nlohmann::json::array());
        for (std::size_t port = 0; before.is_array() && port < before.size(); ++port) {
            const nlohmann::json& was = before[port];
            const nlohmann::json& now = port < after.size() ? after[port] : nlohmann::json::object();
            const bool file = isSavedFile(was);
            // Values are compared by their text; image handles and failed outputs not at all.
            const QString type = recordText(was, "type");
            if (!file && (recordText(was, "status") != QLatin1String("ok") || type == QLatin1String("image handle")))
                continue;
            const QString checksum = recordText(was, "xxh3");
            if (file && checksum.isEmpty()) {
                ++notCompared;
                continue;
            }
            const bool same = file ? isSavedFile(now) && recordText(now, "xxh3") == checksum
                                   : recordText(now, "type") == type && recordText(now, "value") == recordText(was, "value");
            if (same) {
                ++identical;
                continue;
            }
            ++differ;
            const QString shown = file && !isSavedFile(now) ? QStringLiteral("no file") : recordText(now, "value");
            differing << QStringLiteral("differs: %1 (index %2, port %3; recorded %4)")
                             .arg(oneLine(shown))
                             .arg(index)
                             .arg(port)
                             .arg(oneLine(recordText(was, "value")));
        }
    });
    for (const QString& line : differing)
        printOut(line + QLatin1Char('\n'));
    printOut(
        QStringLiteral("%1 identical, %2 differ, %3 not compared\n").arg(identical).arg(differ).arg(notCompared));
    if (stop()) {
        std::fputs("vorne-batch: interrupted; the outputs of the indices that did not run are not compared\n", stderr);
        return 130;
    }
    return differ == 0 && notCompared == 0 ? 0 : 1;
}

} // namespace VORNE::batch
