#pragma once
// The journal of finished indices: one JSON object per line, appended and handed to the kernel at once,
// so that a batch killed at any moment leaves every finished index recorded and at most one torn last
// line, which a rerun ignores.
#include <QString>

#include <nlohmann/json.hpp>
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

    // Done with the same inputs and digest, and every file it wrote is still there.
    bool isDone(int index, const nlohmann::json& inputs, const QString& digest) const;
    void append(const nlohmann::json& record);
    // Hands what was appended to the disk, for a process about to end.
    void sync();

private:
    // What a resume needs of an index whose last record says done; nothing is kept of what this run
    // appends, so that a long batch does not grow in memory with its journal.
    struct Done
    {
        std::string inputs; // compact JSON text of the record's inputs
        std::string digest;
        std::vector<std::string> imageFiles;
    };
    void read(const QByteArray& line);

    QString m_path;
    int m_fd = -1;
    std::unordered_map<int, Done> m_done;
};

} // namespace VORNE::batch
