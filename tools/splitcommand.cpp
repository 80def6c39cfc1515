#include "tools/splitcommand.h"

#include <QDir>

#include <cstdio>

#include "executor/planesplit.h"

namespace VORNE::batch {

int runSplit(const Options& options)
{
    const QString folder = options.outputDirs.value(QString());
    // As for a batch's outputs, the folder named by -o is made when missing.
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "vorne-batch: could not create the folder '%s'\n", folder.toLocal8Bit().constData());
        return 1;
    }
    int status = 0;
    for (const QString& file : options.files) {
        const PlaneSplit split = splitPlanes(file, folder);
        for (const QString& written : split.written)
            std::printf("%s\n", written.toLocal8Bit().constData());
        if (!split.error.isEmpty()) {
            std::fprintf(stderr, "vorne-batch: %s\n", split.error.toLocal8Bit().constData());
            status = 1;
        }
    }
    return status;
}

} // namespace VORNE::batch
