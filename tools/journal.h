#pragma once
// The journal of finished indices: one JSON object per line, appended and handed to the kernel at once,
// so that a batch killed at any moment leaves every finished index recorded and at most one torn last
// line, which a rerun ignores.
#include <QMap>
#include <QString>

#include <nlohmann/json.hpp>

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
    // The last record of each index, in index order.
    const QMap<int, nlohmann::json>& records() const { return m_records; }

private:
    QString m_path;
    int m_fd = -1;
    QMap<int, nlohmann::json> m_records;
};

} // namespace VORNE::batch
