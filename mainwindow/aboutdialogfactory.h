#pragma once
// The About dialog belongs to the application shell, which sits above the main widget and creates it.
// The shell registers how to build the dialog when the library loads, so that the main widget opens it
// without reaching up into the shell.
class QDialog;
class QWidget;

namespace VORNE {

using AboutDialogFactory = QDialog* (*)(QWidget* parent);

void setAboutDialogFactory(AboutDialogFactory factory);
// A new dialog owned by parent, or null when no shell registered one.
QDialog* createAboutDialog(QWidget* parent);

} // namespace VORNE
