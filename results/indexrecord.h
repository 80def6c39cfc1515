#pragma once
// The record of one finished batch index, as the journal of vorne-batch holds it and as the window keeps
// it for its table and report: one JSON object per index, built in one place from the step's items so
// that both front ends write the same fields.
//
// {"index", "inputs": [{"type", "value", ("size", "modified", "xxh3", "pixel_size", "pixel_unit")}],
//  "outputs": [{"port", "type", "value", "status", "error", ("xxh3")}], "status": "done" | "failed",
//  "error", "ms"}; vorne-batch adds "digest". "xxh3" is the content checksum of an image file (items/checksum.h); "pixel_size" ("0.65 x
//  0.65 x 2") and "pixel_unit" are those of an input image that has one, as it was loaded for the run.
#include <QList>
#include <QPair>
#include <QString>
#include <QVector>

#include <nlohmann/json.hpp>
#include <string>

namespace VORNE {

class Item;
struct InputPixelSize;

// The Item type as records write it ("long", "image file", ...).
const char* itemTypeName(int type);

// Per input item its type and text, and for files their size and modification time, so that a changed
// file counts as a changed input, and with checksums their content checksum (which reads each file).
nlohmann::json inputsRecord(const QList<Item*>& items, bool checksums = true);
// The same from each input's type and text, without items.
nlohmann::json inputsRecord(const QList<QPair<int, QString>>& inputs, bool checksums);

// Per input port the record fields of its pixel size ({"pixel_size", "pixel_unit"}), an empty object
// for an input without one: what an execution hands on to the record of its index.
nlohmann::json pixelSizeFields(const QVector<InputPixelSize>& sizes);
// Adds those fields to the inputs' entries.
void addPixelSizes(nlohmann::json& inputs, const nlohmann::json& fields);

// What one execution gave.
struct StepOutcome
{
    nlohmann::json outputs = nlohmann::json::array();
    bool failed = false;
    // The executor's error, else the first output's that is not ok.
    std::string error;
};

StepOutcome stepOutcome(const QList<Item*>& outputs, bool executorFailed, const QString& executorError);

nlohmann::json indexRecord(int index, const nlohmann::json& inputs, const StepOutcome& outcome, qint64 ms);

// A field of a record as text: strings as they are, numbers as JSON writes them, null and absent as null.
QString recordText(const nlohmann::json& object, const char* key);

} // namespace VORNE
