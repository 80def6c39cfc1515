#pragma once
// The build's identity, printed by both front ends ("--version") and shown in the About dialog.
#include <QString>

namespace VORNE {

// "unknown" in this build.
QString versionString();
// The day the library was built, "Apr 13 2026", and the time, "14:53:03".
QString buildDate();
QString buildTime();
// Program name, version, build date and time, and the base library's version, one per line.
QString versionText();
// What "--version" prints, ending with a line end.
QString versionOutput();

} // namespace VORNE
