#pragma once
// The records of the batch the window runs, kept as vorne-batch keeps its journal (a header line, then one
// record line per finished step) in a temporary file, so that its table and report are built by the same
// code from the same records.
#include <QTemporaryFile>

#include <memory>
#include <nlohmann/json.hpp>

namespace VORNE {

struct BatchHeader;
class RecordIndex;

class RecordSpool
{
public:
    RecordSpool();
    ~RecordSpool();

    // A new batch: the records of the last one go. Throws std::runtime_error when no temporary file can be
    // written.
    void begin(const BatchHeader& header);
    void append(const nlohmann::json& record);
    void clear();
    int size() const { return m_count; }
    int failed() const { return m_failed; }
    // The records for a table or report.
    void read(RecordIndex& records) const;

private:
    void write(const nlohmann::json& line);

    std::unique_ptr<QTemporaryFile> m_file;
    int m_count = 0;
    int m_failed = 0;
};

} // namespace VORNE
