#pragma once
// Where the records of a batch are: one or more files of record lines (journals of vorne-batch, shards of
// one batch, the window's spool). Keeps only the file and offset of each index's last record, so that a
// table or report of any number of indices reads the records one at a time, in index order, in memory
// that does not grow with the records' size.
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <vector>

#include "results/batchheader.h"

class QFile;

namespace VORNE {

class RecordIndex
{
public:
    using Filter = std::function<bool(const nlohmann::json& record)>;

    RecordIndex();
    ~RecordIndex();
    RecordIndex(const RecordIndex&) = delete;
    RecordIndex& operator=(const RecordIndex&) = delete;

    // Adds the records of a file that keep passes (all without a filter); a later record of an index
    // replaces an earlier one. Lines that are no record (torn by a crash, or foreign) are skipped. Throws
    // std::runtime_error naming the file when it cannot be read.
    void addFile(const QString& path, const Filter& keep = Filter());

    const BatchHeader& header() const { return m_header; }
    int size() const { return static_cast<int>(m_locations.size()); }
    // The port counts: the header's, or the most any record has.
    int inputCount() const { return m_inputs; }
    int outputCount() const { return m_outputs; }
    // Whether a record holds an image file at that input port.
    bool imageInput(int port) const;
    // Reads the records back in index order. Throws std::runtime_error when a file changed under it.
    void forEach(const std::function<void(const nlohmann::json& record)>& visit) const;

private:
    struct Location
    {
        int file;
        qint64 offset;
    };
    QFile& openFile(int number) const;
    void noteImageInputs(const nlohmann::json& record);

    QStringList m_paths;
    // Opened as needed: a merge of many shards must not run out of file handles.
    mutable std::vector<std::unique_ptr<QFile>> m_files;
    mutable int m_openFiles = 0;
    std::map<int, Location> m_locations;
    BatchHeader m_header;
    int m_inputs = 0;
    int m_outputs = 0;
    std::vector<bool> m_imageInputs;
};

} // namespace VORNE
