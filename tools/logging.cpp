#include "tools/logging.h"

Q_LOGGING_CATEGORY(lcBatch, "vorne.batch", QtWarningMsg)
