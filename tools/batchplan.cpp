#include "tools/batchplan.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <sstream>

#include "items/checksum.h"
#include "items/item.h"
#include "items/itemmodel.h"
#include "kora/kora.h"
#include "ostrel/ostrel.h"
#include "results/batchheader.h"
#include "results/indexrecord.h"
#include "tools/parameters.h"
#include "tools/sources.h"
#include "tools/windownodes.h"

namespace VORNE::batch {

BatchPlan::BatchPlan(const Options& options) : m_checksums(options.checksums)
{
    loadGraph(options.graph);
    fillInputs(options);
    choosePlanes(options);
    makePatterns(options);
    makeParameters(options);
}

BatchPlan::~BatchPlan() = default;

void BatchPlan::loadGraph(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        throw GraphError(QStringLiteral("graph file '%1' does not exist").arg(path).toStdString());
    m_graphPath = QDir::cleanPath(info.absoluteFilePath());
    refuseWindowNodes(path);
    try {
        m_graph.reset(OstrelGraph::Graph::LoadFromFile(m_graphPath.toLocal8Bit().constData(), nullptr, false));
    } catch (const KORA::CException& e) {
        throw GraphError(QStringLiteral("could not load the graph '%1': %2")
                             .arg(path, QString::fromLocal8Bit(e.FormattedWhat().c_str()))
                             .toStdString());
    } catch (const std::exception& e) {
        throw GraphError(QStringLiteral("could not load the graph '%1': %2").arg(path, e.what()).toStdString());
    }
    for (int pin = 0; pin < m_graph->GetInpinCount(); ++pin)
        m_inputNames << QString::fromStdString(m_graph->GetInpinName(pin));
    for (int pin = 0; pin < m_graph->GetOutpinCount(); ++pin)
        m_outputNames << QString::fromStdString(m_graph->GetOutpinName(pin));
}

int BatchPlan::resolvePort(const QString& port, const QStringList& names, const char* what) const
{
    bool isNumber = false;
    const int index = port.toInt(&isNumber, 10);
    if (isNumber && index >= 0 && index < names.size())
        return index;
    if (!isNumber && names.count(port) == 1)
        return names.indexOf(port);
    throw UsageError(QStringLiteral("the graph has no %1 port '%2' (it has %3: %4)")
                         .arg(QString::fromLatin1(what), port)
                         .arg(names.size())
                         .arg(names.isEmpty() ? QStringLiteral("none") : names.join(QStringLiteral(", ")))
                         .toStdString());
}

void BatchPlan::fillInputs(const Options& options)
{
    m_inputs.resize(m_inputNames.size());
    for (const InputSource& input : options.inputs) {
        const int port = resolvePort(input.port, m_inputNames, "input");
        expandSource(input.source, m_inputs[static_cast<std::size_t>(port)], &m_skippedFiles);
    }
    if (m_inputs.empty()) {
        m_batchSize = 1;
        return;
    }
    int smallest = itemCount(0);
    int largest = smallest;
    for (int port = 0; port < m_inputNames.size(); ++port) {
        const int count = itemCount(port);
        if (count == 0)
            throw InputError(QStringLiteral("input port %1 (%2) has no items; add some with -i %1=SOURCE")
                                 .arg(port)
                                 .arg(m_inputNames[port])
                                 .toStdString());
        smallest = std::min(smallest, count);
        largest = std::max(largest, count);
        m_models << new ItemModel(ItemModel::InputModel, port, &m_modelOwner);
        m_models.last()->appendEmptyRows(count);
    }
    m_batchSize = smallest;
    if (smallest != largest)
        m_sizeWarning = QStringLiteral("the input ports hold different numbers of items; the batch ends at the "
                                       "shortest, after %1")
                            .arg(smallest);
}

void BatchPlan::choosePlanes(const Options& options)
{
    for (const PortValues* values : {&options.channels, &options.timePoints})
        for (auto it = values->begin(); it != values->end(); ++it)
            if (!it.key().isEmpty())
                resolvePort(it.key(), m_inputNames, "input");
    for (ItemModel* model : m_models) {
        const auto value = [&](const PortValues& values) {
            const QString name = m_inputNames[model->port()];
            const QString port = QString::number(model->port());
            return values.value(port, values.value(name, values.value(QString())));
        };
        const QString channel = value(options.channels);
        const QString time = value(options.timePoints);
        if (channel.isEmpty() && time.isEmpty())
            continue;
        model->setPlaneChoice(channel.toInt(), time.toInt());
        m_planeText += model->planeChoiceText();
    }
}

QString BatchPlan::skipReport() const
{
    if (m_skippedFiles.isEmpty())
        return QString();
    return QStringLiteral("skipped %1 file%2: %3")
        .arg(m_skippedFiles.size())
        .arg(m_skippedFiles.size() == 1 ? "" : "s")
        .arg(m_skippedFiles.join(QStringLiteral(", ")));
}

void BatchPlan::makePatterns(const Options& options)
{
    auto absoluteFolder = [](const QString& folder) {
        const QString path = QDir::cleanPath(QDir::current().absoluteFilePath(folder));
        if (!QDir().mkpath(path))
            throw InputError(QStringLiteral("could not create the output folder '%1'").arg(folder).toStdString());
        return path;
    };
    const OutputPattern shared{absoluteFolder(options.outputDirs.value(QString(), QStringLiteral("."))),
                               options.patterns.value(QString(), QStringLiteral("%i0_%o")),
                               options.suffixes.value(QString(), QStringLiteral(".pxm"))};
    // Per-port values turn the one shared pattern into one per port, as the settings tab does when
    // "as default" is off.
    QMap<int, OutputPattern> perPort;
    const auto override = [&](const PortValues& values, QString OutputPattern::*field, bool folder) {
        for (auto it = values.begin(); it != values.end(); ++it) {
            if (it.key().isEmpty())
                continue;
            const int port = resolvePort(it.key(), m_outputNames, "output");
            OutputPattern& pattern = perPort.contains(port) ? perPort[port] : (perPort[port] = shared);
            pattern.*field = folder ? absoluteFolder(it.value()) : it.value();
        }
    };
    override(options.outputDirs, &OutputPattern::directory, true);
    override(options.patterns, &OutputPattern::pattern, false);
    override(options.suffixes, &OutputPattern::suffix, false);
    if (perPort.isEmpty()) {
        m_patterns = {shared};
        return;
    }
    for (int port = 0; port < m_outputNames.size(); ++port)
        m_patterns << perPort.value(port, shared);
}

void BatchPlan::makeParameters(const Options& options)
{
    m_parameters = visibleParameters(*m_graph);
    for (const QString& file : options.paramFiles)
        mergeParameterFile(*m_parameters, file);
    for (const auto& [key, value] : options.params)
        setParameter(*m_parameters, key, value);

    QFile graphFile(m_graphPath);
    if (!graphFile.open(QIODevice::ReadOnly))
        throw GraphError(QStringLiteral("could not read the graph '%1'").arg(m_graphPath).toStdString());
    const QByteArray graphBytes = graphFile.readAll();
    m_graphChecksum = contentChecksum(graphBytes.constData(), static_cast<std::size_t>(graphBytes.size()));
    m_digest = runDigest(graphBytes, parameterText(m_parameters.get()) + m_planeText, m_patterns);
}

bool BatchPlan::pngOnly() const
{
    const auto png = [](const QString& name) { return name.endsWith(QLatin1String(".png"), Qt::CaseInsensitive); };
    for (const OutputPattern& pattern : m_patterns)
        if (!png(pattern.suffix))
            return false;
    for (const InputList& port : m_inputs)
        for (int i = 0; i < port.size(); ++i)
            if (port.type(i) == Item::ImageFileType && !png(port.text(i)))
                return false;
    return true;
}

QList<int> BatchPlan::selectedIndices(const Options& options) const
{
    QList<int> indices;
    const int last = options.rangeLast < 0 ? m_batchSize - 1 : std::min(options.rangeLast, m_batchSize - 1);
    for (int index = options.rangeFirst; index <= last; ++index)
        if (index % options.shardCount == options.shardIndex)
            indices << index;
    return indices;
}

nlohmann::json BatchPlan::inputsOf(int index, bool checksums) const
{
    QList<QPair<int, QString>> inputs;
    for (const InputList& port : m_inputs)
        inputs.append({port.type(index), port.text(index)});
    return inputsRecord(inputs, checksums);
}

QList<NamingInput> BatchPlan::namingOf(int index) const
{
    QList<NamingInput> naming;
    for (const InputList& port : m_inputs)
        naming << namingInput(port.type(index), port.text(index), index);
    return naming;
}

QStringList BatchPlan::inputTexts(int index) const
{
    QStringList texts;
    for (const InputList& port : m_inputs)
        texts << port.text(index);
    return texts;
}

QList<Item*> BatchPlan::placeItems(int index) const
{
    QList<Item*> items;
    for (int port = 0; port < m_models.size(); ++port) {
        const InputList& inputs = m_inputs[static_cast<std::size_t>(port)];
        auto* item = new Item(inputs.text(index), inputs.type(index));
        // An index run again before its items were removed keeps the ones it has.
        if (!m_models[port]->placeItem(index, item)) {
            delete item;
            item = m_models[port]->item(index);
        }
        items << item;
    }
    return items;
}

void BatchPlan::removeItems(int index) const
{
    for (ItemModel* model : m_models)
        model->emptyRow(index);
}

} // namespace VORNE::batch
