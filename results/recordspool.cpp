#include "results/recordspool.h"

#include <stdexcept>

#include "results/batchheader.h"
#include "results/recordindex.h"

namespace VORNE {

RecordSpool::RecordSpool() = default;
RecordSpool::~RecordSpool() = default;

void RecordSpool::begin(const BatchHeader& header)
{
    clear();
    m_file = std::make_unique<QTemporaryFile>();
    if (!m_file->open())
        throw std::runtime_error("could not create a temporary file for the results: " +
                                 m_file->errorString().toStdString());
    write(header.toJson());
}

void RecordSpool::append(const nlohmann::json& record)
{
    if (!m_file)
        return;
    write(record);
    ++m_count;
    if (record.value("status", std::string()) != "done")
        ++m_failed;
}

void RecordSpool::clear()
{
    m_file.reset();
    m_count = 0;
    m_failed = 0;
}

void RecordSpool::read(RecordIndex& records) const
{
    if (m_file)
        records.addFile(m_file->fileName());
}

void RecordSpool::write(const nlohmann::json& line)
{
    const QByteArray bytes =
        QByteArray::fromStdString(line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
    if (m_file->write(bytes) != bytes.size() || !m_file->flush())
        throw std::runtime_error("could not write the results to '" + m_file->fileName().toStdString() +
                                 "': " + m_file->errorString().toStdString());
}

} // namespace VORNE
