#pragma once
// The main window's logging category. Diagnostics that are not among the program's fixed console
// lines go here; QT_LOGGING_RULES="vorne.mainwindow.debug=true" shows the debug ones.
#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcMainWindow)
