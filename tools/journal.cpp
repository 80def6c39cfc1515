#include "tools/journal.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "tools/options.h"

namespace VORNE::batch {

Journal::Journal(const QString& path) : m_path(path)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        while (!file.atEnd()) {
            const QByteArray line = file.readLine().trimmed();
            if (line.isEmpty())
                continue;
            // A line torn by a crash, or written by someone else, is no record.
            const nlohmann::json record = nlohmann::json::parse(line.constData(), nullptr, false);
            if (record.is_object() && record.contains("index") && record["index"].is_number_integer())
                m_records[record["index"].get<int>()] = record;
        }
    }
    m_fd = ::open(path.toLocal8Bit().constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (m_fd < 0)
        throw UsageError(
            QStringLiteral("could not open the journal '%1': %2").arg(path, std::strerror(errno)).toStdString());
}

Journal::~Journal()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool Journal::isDone(int index, const nlohmann::json& inputs, const QString& digest) const
{
    const auto found = m_records.constFind(index);
    if (found == m_records.constEnd())
        return false;
    const nlohmann::json& record = found.value();
    if (record.value("status", std::string()) != "done" || record.value("inputs", nlohmann::json()) != inputs ||
        record.value("digest", std::string()) != digest.toStdString())
        return false;
    const nlohmann::json outputs = record.value("outputs", nlohmann::json::array());
    for (const nlohmann::json& output : outputs)
        if (output.value("type", std::string()) == "image file" &&
            !QFileInfo(QString::fromStdString(output.value("value", std::string()))).isFile())
            return false;
    return true;
}

void Journal::sync()
{
    ::fsync(m_fd);
}

void Journal::append(const nlohmann::json& record)
{
    // One write per line: an O_APPEND write of a line is never interleaved with another writer's.
    const std::string line = record.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
    std::size_t written = 0;
    while (written < line.size()) {
        const ssize_t n = ::write(m_fd, line.data() + written, line.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw std::runtime_error("could not write to the journal '" + m_path.toStdString() +
                                     "': " + std::strerror(errno));
        written += static_cast<std::size_t>(n);
    }
    if (record.contains("index") && record["index"].is_number_integer())
        m_records[record["index"].get<int>()] = record;
}

} // namespace VORNE::batch
