#include "tools/verifycommand.h"

#include <QString>

#include "results/indexrecord.h"
#include "results/recordindex.h"
#include "results/savedoutput.h"
#include "tools/console.h"

namespace VORNE::batch {

int runVerify(const Options& options)
{
    RecordIndex records;
    for (const QString& journal : options.journals)
        records.addFile(journal);
    int checked = 0, missing = 0, changed = 0, unrecorded = 0;
    records.forEach([&](const nlohmann::json& record) {
        const nlohmann::json outputs = record.value("outputs", nlohmann::json::array());
        if (!outputs.is_array())
            return;
        for (std::size_t port = 0; port < outputs.size(); ++port) {
            const nlohmann::json& output = outputs[port];
            if (!isSavedFile(output))
                continue;
            ++checked;
            const SavedState state = checkSavedFile(output);
            unrecorded += state == SavedState::Unrecorded ? 1 : 0;
            if (state != SavedState::Missing && state != SavedState::Changed)
                continue;
            (state == SavedState::Missing ? missing : changed)++;
            printOut(QStringLiteral("%1: %2 (index %3, port %4)\n")
                         .arg(QLatin1String(savedStateName(state)), recordText(output, "value"),
                              recordText(record, "index"))
                         .arg(port));
        }
    });
    QString summary =
        QStringLiteral("%1 outputs checked: %2 missing, %3 changed").arg(checked).arg(missing).arg(changed);
    if (unrecorded > 0)
        summary += QStringLiteral(", %1 without a recorded checksum (only their presence checked)").arg(unrecorded);
    printOut(summary + QLatin1Char('\n'));
    return missing + changed > 0 ? 1 : 0;
}

} // namespace VORNE::batch
