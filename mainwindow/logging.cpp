#include "mainwindow/logging.h"

Q_LOGGING_CATEGORY(lcMainWindow, "vorne.mainwindow", QtWarningMsg)
