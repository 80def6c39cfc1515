#pragma once
// The results of a batch as a table: one row per index in index order, columns index, one per input port
// and one per output port (named "input 0: image", "output 1: count"), status, error, ms, then the content
// checksum of each input and output port's file ("input 0: image xxh3"; empty for values), then for each
// input port that held image files their pixel size and unit ("input 0: image pixel size", "... pixel
// unit"; "0.65 x 0.65 x 2" and "µm", empty for images without one). CSV after
// RFC 4180 in UTF-8, or tab-separated for file names ending in .tsv and for the clipboard.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <nlohmann/json.hpp>

class QIODevice;

namespace VORNE {

class RecordIndex;

enum class TableFormat { Csv, Tsv };

TableFormat tableFormatFor(const QString& fileName);

QStringList tableColumns(const RecordIndex& records);
QStringList tableRow(const nlohmann::json& record, const RecordIndex& records);
// One row with its line end; fields holding the separator, quotes or line breaks are quoted.
QByteArray tableLine(const QStringList& fields, TableFormat format);

// Throws std::runtime_error when reading the records or writing fails.
void writeTable(const RecordIndex& records, QIODevice& device, TableFormat format);
// Replaces the file at once when the table is complete: an interrupted write leaves the previous table.
void saveTable(const RecordIndex& records, const QString& path);
QString tableText(const RecordIndex& records, TableFormat format);

// Vectors and maps as one line, whatever the serializer's layout.
QString oneLine(const QString& text);

} // namespace VORNE
