#include "results/savedoutput.h"

#include <QFileInfo>

#include "items/checksum.h"
#include "results/indexrecord.h"

namespace VORNE {

bool isSavedFile(const nlohmann::json& output)
{
    return output.is_object() && recordText(output, "type") == QLatin1String("image file") &&
           !recordText(output, "value").isEmpty();
}

SavedState checkSavedFile(const nlohmann::json& output)
{
    const QString file = recordText(output, "value");
    if (!QFileInfo(file).isFile())
        return SavedState::Missing;
    const QString recorded = recordText(output, "xxh3");
    if (recorded.isEmpty())
        return SavedState::Unrecorded;
    const QString now = fileChecksum(file);
    if (now.isNull())
        return SavedState::Missing;
    return now == recorded ? SavedState::Unchanged : SavedState::Changed;
}

const char* savedStateName(SavedState state)
{
    switch (state) {
    case SavedState::Unchanged: return "unchanged";
    case SavedState::Missing: return "missing";
    case SavedState::Changed: return "changed";
    case SavedState::Unrecorded: return "no checksum";
    }
    return "unknown";
}

} // namespace VORNE
