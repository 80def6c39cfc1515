#pragma once
// The headless runner's logging category. Diagnostics that are not among the program's fixed console
// lines go here; QT_LOGGING_RULES="vorne.batch.debug=true" shows the debug ones.
#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcBatch)
