#include "results/indexrecord.h"

#include <QFile>

#include <sys/stat.h>

#include "executor/graphexecutor.h"
#include "items/checksum.h"
#include "items/item.h"

namespace VORNE {

namespace {

const char* statusName(int status)
{
    switch (status) {
    case Item::OkStatus: return "ok";
    case Item::WarningStatus: return "warning";
    case Item::ErrorStatus: return "error";
    default: return "unknown";
    }
}

} // namespace

const char* itemTypeName(int type)
{
    switch (type) {
    case Item::NoValueType: return "no value";
    case Item::LongType: return "long";
    case Item::DoubleType: return "double";
    case Item::StringType: return "string";
    case Item::BoolType: return "bool";
    case Item::VectorType: return "vector";
    case Item::MapType: return "map";
    case Item::ImageFileType: return "image file";
    case Item::ImageHandleType: return "image handle";
    default: return "undefined";
    }
}

nlohmann::json inputsRecord(const QList<Item*>& items, bool checksums)
{
    QList<QPair<int, QString>> inputs;
    for (const Item* item : items)
        inputs.append({item->type(), item->valueText()});
    return inputsRecord(inputs, checksums);
}

nlohmann::json inputsRecord(const QList<QPair<int, QString>>& typedTexts, bool checksums)
{
    nlohmann::json inputs = nlohmann::json::array();
    for (const auto& [type, text] : typedTexts) {
        nlohmann::json entry{{"type", itemTypeName(type)}, {"value", text.toStdString()}};
        if (type == Item::ImageFileType) {
            // One stat and no time-zone lookup: a resume asks this for every index of the batch.
            struct stat info;
            const bool found = ::stat(QFile::encodeName(text).constData(), &info) == 0;
            entry["size"] = found ? static_cast<qint64>(info.st_size) : 0;
            entry["modified"] = found ? static_cast<qint64>(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000 : 0;
            const QString checksum = checksums && found ? fileChecksum(text) : QString();
            if (!checksum.isNull())
                entry["xxh3"] = checksum.toStdString();
        }
        inputs.push_back(entry);
    }
    return inputs;
}

nlohmann::json pixelSizeFields(const QVector<InputPixelSize>& sizes)
{
    nlohmann::json fields = nlohmann::json::array();
    for (const InputPixelSize& size : sizes) {
        nlohmann::json entry = nlohmann::json::object();
        if (!size.size.isEmpty()) {
            entry["pixel_size"] = size.size.toStdString();
            entry["pixel_unit"] = size.unit.toStdString();
        }
        fields.push_back(std::move(entry));
    }
    return fields;
}

void addPixelSizes(nlohmann::json& inputs, const nlohmann::json& fields)
{
    if (!inputs.is_array() || !fields.is_array())
        return;
    for (std::size_t port = 0; port < inputs.size() && port < fields.size(); ++port)
        if (inputs[port].is_object() && fields[port].is_object())
            inputs[port].update(fields[port]);
}

StepOutcome stepOutcome(const QList<Item*>& outputs, bool executorFailed, const QString& executorError)
{
    StepOutcome outcome;
    outcome.failed = executorFailed;
    if (outcome.failed)
        outcome.error = executorError.toStdString();
    for (int port = 0; port < outputs.size(); ++port) {
        const Item* item = outputs.at(port);
        const QString error = item->errorMessage();
        nlohmann::json entry{{"port", port},
                             {"type", itemTypeName(item->type())},
                             {"value", item->valueText().toStdString()},
                             {"status", statusName(item->status())},
                             {"error", error.isNull() ? nlohmann::json() : nlohmann::json(error.toStdString())}};
        const QString checksum = item->data(Item::ChecksumRole).toString();
        if (item->type() == Item::ImageFileType && !checksum.isEmpty())
            entry["xxh3"] = checksum.toStdString();
        outcome.outputs.push_back(std::move(entry));
        if (item->outcome() != Item::Done && !outcome.failed) {
            outcome.failed = true;
            outcome.error = error.isNull() ? "output " + std::to_string(port) + " has no value" : error.toStdString();
        }
    }
    return outcome;
}

nlohmann::json indexRecord(int index, const nlohmann::json& inputs, const StepOutcome& outcome, qint64 ms)
{
    return {{"index", index},
            {"inputs", inputs},
            {"outputs", outcome.outputs},
            {"status", outcome.failed ? "failed" : "done"},
            {"error", outcome.failed ? nlohmann::json(outcome.error) : nlohmann::json()},
            {"ms", ms}};
}

QString recordText(const nlohmann::json& object, const char* key)
{
    const auto found = object.find(key);
    if (found == object.end() || found->is_null())
        return QString();
    return found->is_string() ? QString::fromStdString(found->get<std::string>())
                              : QString::fromStdString(found->dump());
}

} // namespace VORNE
