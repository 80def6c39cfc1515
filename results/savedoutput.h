#pragma once
// Whether a file a record lists as saved still holds what was saved: for vorne-batch verify and the
// report's --verify.
#include <QString>

#include <nlohmann/json.hpp>

namespace VORNE {

enum class SavedState {
    Unchanged,
    Missing,
    Changed,
    Unrecorded, // the record holds no checksum (written without them): only that the file exists is known
};

// An output entry of a record that names a saved file.
bool isSavedFile(const nlohmann::json& output);
// Reads the file once.
SavedState checkSavedFile(const nlohmann::json& output);
// "missing", "changed", ...
const char* savedStateName(SavedState state);

} // namespace VORNE
