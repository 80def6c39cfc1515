#include "results/batchheader.h"

#include <QCryptographicHash>

#include "kora/serializer.h"
#include "results/provenance.h"
#include "kora/value.h"

namespace VORNE {

namespace {

nlohmann::json toJson(const QStringList& texts)
{
    nlohmann::json list = nlohmann::json::array();
    for (const QString& text : texts)
        list.push_back(text.toStdString());
    return list;
}

QString text(const nlohmann::json& object, const char* key)
{
    const auto found = object.find(key);
    return found != object.end() && found->is_string() ? QString::fromStdString(found->get<std::string>())
                                                       : QString();
}

QStringList texts(const nlohmann::json& object, const char* key)
{
    QStringList result;
    const auto found = object.find(key);
    if (found != object.end() && found->is_array())
        for (const nlohmann::json& entry : *found)
            result << (entry.is_string() ? QString::fromStdString(entry.get<std::string>()) : QString());
    return result;
}

} // namespace

nlohmann::json BatchHeader::toJson() const
{
    nlohmann::json patterns = nlohmann::json::array();
    for (const OutputPattern& pattern : naming)
        patterns.push_back(
            {pattern.directory.toStdString(), pattern.pattern.toStdString(), pattern.suffix.toStdString()});
    return {{"batch",
             {{"graph", graph.toStdString()},
              {"digest", digest.toStdString()},
              {"parameters", parameters.toStdString()},
              {"inputs", VORNE::toJson(inputs)},
              {"outputs", VORNE::toJson(outputs)},
              {"host", hosts.value(0).toStdString()},
              {"started", started.toUTC().toString(Qt::ISODate).toStdString()},
              {"naming", patterns},
              {"graph_xxh3", graphChecksum.toStdString()},
              {"provenance", provenance.is_null() ? currentProvenance() : provenance}}}};
}

bool BatchHeader::merge(const nlohmann::json& line)
{
    const auto found = line.find("batch");
    if (found == line.end() || !found->is_object())
        return false;
    const nlohmann::json& batch = *found;
    graph = text(batch, "graph");
    digest = text(batch, "digest");
    parameters = text(batch, "parameters");
    inputs = texts(batch, "inputs");
    outputs = texts(batch, "outputs");
    graphChecksum = text(batch, "graph_xxh3");
    naming.clear();
    const auto patterns = batch.find("naming");
    if (patterns != batch.end() && patterns->is_array())
        for (const nlohmann::json& pattern : *patterns) {
            const QStringList fields = pattern.is_array() ? texts(nlohmann::json{{"p", pattern}}, "p") : QStringList();
            if (fields.size() == 3)
                naming.append({fields[0], fields[1], fields[2]});
        }
    const auto described = batch.find("provenance");
    if (provenance.is_null() && described != batch.end() && described->is_object())
        provenance = *described;
    const QString host = text(batch, "host");
    // Shards of one batch run on many hosts; a page lists a few, not thousands.
    if (!host.isEmpty() && !hosts.contains(host) && hosts.size() < 8)
        hosts << host;
    const QDateTime start = QDateTime::fromString(text(batch, "started"), Qt::ISODate);
    if (start.isValid() && (!started.isValid() || start < started))
        started = start;
    return true;
}

QString parameterText(const KORA::CValueMap* parameters)
{
    if (parameters == nullptr)
        return QString();
    return QString::fromStdString(KORA::CTextSerializer(true, true, nullptr).ToString(*parameters));
}

QString runDigest(const QByteArray& graphFile, const QString& parameters, const QList<OutputPattern>& patterns)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const QByteArray separator(1, '\0');
    hash.addData(graphFile);
    hash.addData(separator);
    hash.addData(parameters.toUtf8());
    for (const OutputPattern& pattern : patterns) {
        hash.addData(separator);
        hash.addData((pattern.directory + QChar(0) + pattern.pattern + QChar(0) + pattern.suffix).toUtf8());
    }
    return QString::fromLatin1(hash.result().toHex());
}

QString formatDuration(qint64 milliseconds)
{
    if (milliseconds < 60000)
        return QStringLiteral("%1 s").arg(milliseconds / 1000.0, 0, 'f', 2);
    const qint64 seconds = (milliseconds + 500) / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace VORNE
