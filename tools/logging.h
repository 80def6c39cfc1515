#pragma once
// The diagnostics of vorne-batch that are not part of its progress or summary lines.
#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcBatch)
