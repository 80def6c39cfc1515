#pragma once
// Text lists of image files: one path per line, as users write them by hand or with `ls > list.txt`.
// Shared by the main window and the headless runner, so it knows nothing of widgets.
#include <QString>
#include <QStringList>

namespace VORNE {

// Reads the list at listPath into paths (appended, in file order). Each line is read as UTF-8 and
// simplified; blank lines and lines that begin with "#" are skipped; %NAME% references to environment
// variables are expanded; a relative path is taken relative to the list's folder. Every path comes back
// absolute and cleaned. Returns false, with paths untouched, when the file cannot be opened.
bool readTextList(const QString& listPath, QStringList& paths);

} // namespace VORNE
