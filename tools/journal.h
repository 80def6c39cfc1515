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
    // Throws UsageError when it cannot be opened.
    explicit Journal(const QString& path);
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    // Done with the same inputs and digest, and every file it wrote is still there. Inputs are the same by
    // their files' size and modification time, or byContent by their checksums (inputs must hold them).
    bool isDone(int index, const nlohmann::json& inputs, const QString& digest, bool byContent = false) const;
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
        std::size_t inputs;  // of the compact JSON text of the record's inputs by size and time
        std::size_t content; // the same by checksum
        std::size_t digest;
        std::vector<std::string> imageFiles;
    };
    // The last record of each index in a stretch of the file; none when that record is not done.
    using Records = std::unordered_map<int, std::optional<Done>>;
    static void read(const QByteArray& line, Records& into);
    static void readStretch(QFile& file, qint64 end, Records& into);

    QString m_path;
    int m_fd = -1;
    std::unordered_map<int, Done> m_done;
};

} // namespace VORNE::batch
