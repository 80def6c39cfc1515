#pragma once
// The journal of finished indices: one JSON object per line, appended and handed to the kernel at once,
// so that a batch killed at any moment leaves every finished index recorded and at most one torn last
// line, which a rerun ignores.
#include <QString>

class QFile;

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace VORNE::batch {

class Journal
{
public:
    // Reads what the file already holds (a missing file is an empty journal) and opens it for appending.
    // Throws UsageError when it cannot be opened. byContent: inputs are the same when their checksums are,
    // else when their files' size and modification time are.
    explicit Journal(const QString& path, bool byContent = false);
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    // Done with the same inputs and digest, and every file it wrote is still there. For a journal by
    // content the inputs must hold their checksums.
    bool isDone(int index, const nlohmann::json& inputs, const QString& digest) const;
    void append(const nlohmann::json& record);
    // Hands what was appended to the disk, for a process about to end.
    void sync();

private:
    // What a resume needs of an index whose last record says done; nothing is kept of what this run
    // appends, so that a long batch does not grow in memory with its journal.
    // The inputs and the digest are kept as 64-bit hashes of their text: a resume of 100,000 indices then
    // holds a few megabytes instead of 40, and a false match would take a collision of both.
    struct Done
    {
        std::size_t inputs; // of the compact JSON text of what identifies the record's inputs
        std::size_t digest;
        std::vector<std::string> imageFiles;
    };
    // The last record of each index in a stretch of the file; none when that record is not done.
    using Records = std::unordered_map<int, std::optional<Done>>;
    void read(const QByteArray& line, Records& into) const;
    void readStretch(QFile& file, qint64 end, Records& into) const;

    QString m_path;
    bool m_byContent;
    int m_fd = -1;
    std::unordered_map<int, Done> m_done;
};

} // namespace VORNE::batch
