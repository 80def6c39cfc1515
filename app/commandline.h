#pragma once
// The few things the stand-alone program reads from its command line, and the texts it prints.
#include <QString>
#include <QStringList>

namespace VORNE {

struct CommandLine
{
    // "-h" and "-v" appear as "--help" and "--version".
    QStringList options;
    // Everything that is not "-h", "-v" or "--…". An unknown "--…" option is only reported, so that a
    // mistyped option in front of a graph still opens that graph. One dash and another letter ("-x") is
    // a file name.
    QStringList files;

    // arguments without the program name.
    static CommandLine parse(const QStringList& arguments);

    bool has(const char* option) const { return options.contains(QLatin1String(option)); }
};

// "unknown" in this build.
QString versionString();
// The day the library was built, "Apr 13 2026", and the time, "14:53:03".
QString buildDate();
QString buildTime();
// Program name, version, build date and time, and the base library's version, one per line.
QString versionText();
// What "--help" prints, ending with a line end.
QString usageText(const QString& programPath);
// What "--version" prints, ending with a line end.
QString versionOutput();

} // namespace VORNE
