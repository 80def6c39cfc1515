#include "tools/journal.h"

#include <QFile>

#include <cerrno>
#include <cstdint>
#include <limits>
#include <cstring>
#include <future>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tools/options.h"

namespace VORNE::batch {

namespace {

// Shorter journals are read in one go.
constexpr qint64 kSplitAt = 1 << 20;

std::size_t hashOf(const std::string& text)
{
    return std::hash<std::string>()(text);
}

std::string text(const nlohmann::json& object, const char* key)
{
    const auto found = object.find(key);
    return found != object.end() && found->is_string() ? found->get<std::string>() : std::string();
}

// What decides whether an index's inputs are unchanged: their types and texts, and for files either their
// size and modification time or their checksum.
std::size_t identityHash(nlohmann::json inputs, bool byContent)
{
    if (inputs.is_array())
        for (nlohmann::json& input : inputs) {
            if (!input.is_object())
                continue;
            // Read from the loaded image, which the plan has not opened: not part of what makes an input
            // the same.
            input.erase("pixel_size");
            input.erase("pixel_unit");
            if (byContent) {
                input.erase("size");
                input.erase("modified");
            } else {
                input.erase("xxh3");
            }
        }
    return hashOf(inputs.dump());
}

} // namespace

Journal::Journal(const QString& path, bool byContent) : m_path(path), m_byContent(byContent)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        // A long journal is read in two halves side by side: parsing it is most of a resume's wait (about
        // a second per 100,000 lines). The second half starts at a line's beginning.
        qint64 middle = -1;
        if (file.size() > kSplitAt && file.seek(file.size() / 2)) {
            file.readLine();
            middle = file.pos();
        }
        Records first;
        Records second;
        std::future<void> later;
        if (middle > 0)
            later = std::async(std::launch::async, [this, &path, middle, &second] {
                QFile rest(path);
                if (rest.open(QIODevice::ReadOnly) && rest.seek(middle))
                    readStretch(rest, -1, second);
            });
        file.seek(0);
        readStretch(file, middle, first);
        if (later.valid())
            later.get();
        for (auto& [index, done] : first)
            if (done)
                m_done.emplace(index, std::move(*done));
        for (auto& [index, done] : second) {
            if (done)
                m_done.insert_or_assign(index, std::move(*done));
            else
                m_done.erase(index);
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

void Journal::readStretch(QFile& file, qint64 end, Records& into) const
{
    while (!file.atEnd() && (end < 0 || file.pos() < end))
        read(file.readLine(), into);
}

void Journal::read(const QByteArray& line, Records& into) const
{
    // A line torn by a crash, or written by someone else, is no record.
    const nlohmann::json record = nlohmann::json::parse(line.constData(), line.constData() + line.size(), nullptr, false);
    if (!record.is_object() || !record.contains("index") || !record["index"].is_number_integer())
        return;
    const std::int64_t wide = record["index"].get<std::int64_t>();
    if (wide < 0 || wide > std::numeric_limits<int>::max())
        return;
    const int index = static_cast<int>(wide);
    // The last record of an index counts: a later failure undoes an earlier success.
    if (text(record, "status") != "done") {
        into.insert_or_assign(index, std::nullopt);
        return;
    }
    Done done{identityHash(record.value("inputs", nlohmann::json()), m_byContent), hashOf(text(record, "digest")), {}};
    const nlohmann::json outputs = record.value("outputs", nlohmann::json::array());
    for (const nlohmann::json& output : outputs)
        if (output.is_object() && text(output, "type") == "image file")
            done.imageFiles.push_back(QFile::encodeName(QString::fromStdString(text(output, "value"))).toStdString());
    into.insert_or_assign(index, std::move(done));
}

bool Journal::isDone(int index, const nlohmann::json& inputs, const QString& digest) const
{
    const auto found = m_done.find(index);
    if (found == m_done.end())
        return false;
    const Done& done = found->second;
    if (done.digest != hashOf(digest.toStdString()) ||
        done.inputs != identityHash(inputs, m_byContent))
        return false;
    struct stat info;
    for (const std::string& file : done.imageFiles)
        if (::stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
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
}

} // namespace VORNE::batch
