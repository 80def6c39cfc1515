#include "results/recordindex.h"

#include <QFile>

#include <algorithm>
#include <stdexcept>

namespace VORNE {

namespace {

constexpr int kMaxOpenFiles = 128;

int entryCount(const nlohmann::json& record, const char* key)
{
    const auto found = record.find(key);
    return found != record.end() && found->is_array() ? static_cast<int>(found->size()) : 0;
}

std::runtime_error fileError(const QFile& file, const char* what)
{
    return std::runtime_error(QStringLiteral("could not %1 '%2': %3")
                                  .arg(QLatin1String(what), file.fileName(), file.errorString())
                                  .toStdString());
}

} // namespace

RecordIndex::RecordIndex() = default;
RecordIndex::~RecordIndex() = default;

void RecordIndex::addFile(const QString& path, const Filter& keep)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw fileError(file, "read the records of");
    const int number = static_cast<int>(m_paths.size());
    while (!file.atEnd()) {
        const qint64 offset = file.pos();
        const QByteArray line = file.readLine();
        const nlohmann::json record = nlohmann::json::parse(line.constData(), nullptr, false);
        if (!record.is_object() || m_header.merge(record))
            continue;
        const auto index = record.find("index");
        if (index == record.end() || !index->is_number_integer() || (keep && !keep(record)))
            continue;
        m_locations[index->get<int>()] = {number, offset};
        m_inputs = std::max(m_inputs, entryCount(record, "inputs"));
        noteImageInputs(record);
        m_outputs = std::max(m_outputs, entryCount(record, "outputs"));
    }
    m_inputs = std::max(m_inputs, static_cast<int>(m_header.inputs.size()));
    m_outputs = std::max(m_outputs, static_cast<int>(m_header.outputs.size()));
    m_paths << path;
    m_files.emplace_back();
}

void RecordIndex::noteImageInputs(const nlohmann::json& record)
{
    const auto inputs = record.find("inputs");
    if (inputs == record.end() || !inputs->is_array())
        return;
    for (std::size_t port = 0; port < inputs->size(); ++port) {
        const nlohmann::json& entry = (*inputs)[port];
        if (!entry.is_object() || entry.value("type", nlohmann::json()) != "image file")
            continue;
        if (m_imageInputs.size() <= port)
            m_imageInputs.resize(port + 1, false);
        m_imageInputs[port] = true;
    }
}

bool RecordIndex::imageInput(int port) const
{
    const auto at = static_cast<std::size_t>(port);
    return port >= 0 && at < m_imageInputs.size() && m_imageInputs[at];
}

QFile& RecordIndex::openFile(int number) const
{
    std::unique_ptr<QFile>& file = m_files[static_cast<std::size_t>(number)];
    if (file)
        return *file;
    if (m_openFiles >= kMaxOpenFiles) {
        for (auto& open : m_files)
            open.reset();
        m_openFiles = 0;
    }
    file = std::make_unique<QFile>(m_paths.at(number));
    if (!file->open(QIODevice::ReadOnly))
        throw fileError(*file, "read back");
    ++m_openFiles;
    return *file;
}

void RecordIndex::forEach(const std::function<void(const nlohmann::json& record)>& visit) const
{
    for (const auto& [index, location] : m_locations) {
        QFile& file = openFile(location.file);
        if (!file.seek(location.offset))
            throw fileError(file, "read back");
        const nlohmann::json record = nlohmann::json::parse(file.readLine().constData(), nullptr, false);
        if (!record.is_object() || record.value("index", -1) != index)
            throw std::runtime_error(
                QStringLiteral("the records of '%1' changed while being read").arg(file.fileName()).toStdString());
        visit(record);
    }
}

} // namespace VORNE
