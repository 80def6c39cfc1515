#pragma once
#include <QStringList>

#include <optional>

namespace VORNE {

// "--help" and "--version" need no window system: they are answered before the application object
// exists, so that they work on a machine without a display. Returns the exit status when one of them was
// given (its text is on standard output), nothing otherwise. arguments include the program path first.
std::optional<int> answerInformationOptions(const QStringList& arguments);

// Shows the critical box and answers false when KORADIR is not set: nothing of the suite can be found
// without it.
bool checkKoradir();

// The stand-alone start-up once the application object exists: options, KORADIR, the main window behind
// the splash, the graph named on the command line, then the event loop. arguments include the program
// path first. Returns the process exit status.
int startUp(const QStringList& arguments);

} // namespace VORNE
