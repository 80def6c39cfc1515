#include "results/resultstable.h"

#include <QBuffer>
#include <QSaveFile>

#include <stdexcept>

#include "results/indexrecord.h"
#include "results/recordindex.h"

namespace VORNE {

namespace {

QString portColumn(const char* direction, int port, const QStringList& names)
{
    const QString name = names.value(port);
    return name.isEmpty() ? QStringLiteral("%1 %2").arg(QLatin1String(direction)).arg(port)
                          : QStringLiteral("%1 %2: %3").arg(QLatin1String(direction)).arg(port).arg(name);
}

QString cellText(const nlohmann::json& entry)
{
    const QString type = recordText(entry, "type");
    const QString value = recordText(entry, "value");
    return type == QLatin1String("vector") || type == QLatin1String("map") ? oneLine(value) : value;
}

// field: the entry's field to show, or null for its value.
void appendEntries(QStringList& row, const nlohmann::json& record, const char* key, int count,
                   const char* field = nullptr)
{
    static const nlohmann::json none = nlohmann::json::object();
    const auto found = record.find(key);
    for (int port = 0; port < count; ++port) {
        const bool present = found != record.end() && found->is_array() && port < static_cast<int>(found->size());
        const nlohmann::json& entry = present ? (*found)[static_cast<std::size_t>(port)] : none;
        row << (!entry.is_object() ? QString() : field ? recordText(entry, field) : cellText(entry));
    }
}

} // namespace

TableFormat tableFormatFor(const QString& fileName)
{
    return fileName.endsWith(QLatin1String(".tsv"), Qt::CaseInsensitive) ? TableFormat::Tsv : TableFormat::Csv;
}

QString oneLine(const QString& text)
{
    QString line;
    line.reserve(text.size());
    for (const QString& part : text.split(QLatin1Char('\n'))) {
        const QString piece = part.trimmed();
        const bool tight = line.isEmpty() || line.endsWith(QLatin1Char('[')) || line.endsWith(QLatin1Char('{')) ||
                           piece.startsWith(QLatin1Char(']')) || piece.startsWith(QLatin1Char('}'));
        if (!tight && !piece.isEmpty())
            line += QLatin1Char(' ');
        line += piece;
    }
    return line;
}

QStringList tableColumns(const RecordIndex& records)
{
    QStringList columns{QStringLiteral("index")};
    for (int port = 0; port < records.inputCount(); ++port)
        columns << portColumn("input", port, records.header().inputs);
    for (int port = 0; port < records.outputCount(); ++port)
        columns << portColumn("output", port, records.header().outputs);
    columns << QStringLiteral("status") << QStringLiteral("error") << QStringLiteral("ms");
    // Checksums last, so that tables read by column position before they existed still read.
    for (int port = 0; port < records.inputCount(); ++port)
        columns << portColumn("input", port, records.header().inputs) + QStringLiteral(" xxh3");
    for (int port = 0; port < records.outputCount(); ++port)
        columns << portColumn("output", port, records.header().outputs) + QStringLiteral(" xxh3");
    // After the checksums for the same reason; only image inputs have a pixel size.
    for (int port = 0; port < records.inputCount(); ++port)
        if (records.imageInput(port))
            columns << portColumn("input", port, records.header().inputs) + QStringLiteral(" pixel size")
                    << portColumn("input", port, records.header().inputs) + QStringLiteral(" pixel unit");
    return columns;
}

QStringList tableRow(const nlohmann::json& record, const RecordIndex& records)
{
    const int inputs = records.inputCount();
    const int outputs = records.outputCount();
    QStringList row{recordText(record, "index")};
    appendEntries(row, record, "inputs", inputs);
    appendEntries(row, record, "outputs", outputs);
    row << recordText(record, "status") << recordText(record, "error") << recordText(record, "ms");
    appendEntries(row, record, "inputs", inputs, "xxh3");
    appendEntries(row, record, "outputs", outputs, "xxh3");
    QStringList pixelSizes;
    appendEntries(pixelSizes, record, "inputs", inputs, "pixel_size");
    QStringList pixelUnits;
    appendEntries(pixelUnits, record, "inputs", inputs, "pixel_unit");
    for (int port = 0; port < inputs; ++port)
        if (records.imageInput(port))
            row << pixelSizes.at(port) << pixelUnits.at(port);
    return row;
}

QByteArray tableLine(const QStringList& fields, TableFormat format)
{
    const QChar separator = format == TableFormat::Csv ? QLatin1Char(',') : QLatin1Char('\t');
    QString line;
    for (int i = 0; i < fields.size(); ++i) {
        const QString& field = fields.at(i);
        if (i > 0)
            line += separator;
        const bool quote = field.contains(separator) || field.contains(QLatin1Char('"')) ||
                           field.contains(QLatin1Char('\n')) || field.contains(QLatin1Char('\r'));
        if (!quote) {
            line += field;
            continue;
        }
        line += QLatin1Char('"');
        line += QString(field).replace(QLatin1Char('"'), QLatin1String("\"\""));
        line += QLatin1Char('"');
    }
    line += format == TableFormat::Csv ? QLatin1String("\r\n") : QLatin1String("\n");
    return line.toUtf8();
}

void writeTable(const RecordIndex& records, QIODevice& device, TableFormat format)
{
    const auto write = [&device](const QByteArray& line) {
        if (device.write(line) != line.size())
            throw std::runtime_error(device.errorString().toStdString());
    };
    write(tableLine(tableColumns(records), format));
    records.forEach([&](const nlohmann::json& record) { write(tableLine(tableRow(record, records), format)); });
}

void saveTable(const RecordIndex& records, const QString& path)
{
    QSaveFile file(path);
    try {
        if (!file.open(QIODevice::WriteOnly))
            throw std::runtime_error(file.errorString().toStdString());
        writeTable(records, file, tableFormatFor(path));
        if (!file.commit())
            throw std::runtime_error(file.errorString().toStdString());
    } catch (const std::exception& e) {
        throw std::runtime_error(
            QStringLiteral("could not write the table '%1': %2").arg(path, QString::fromUtf8(e.what())).toStdString());
    }
}

QString tableText(const RecordIndex& records, TableFormat format)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    writeTable(records, buffer, format);
    return QString::fromUtf8(buffer.data());
}

} // namespace VORNE
