#pragma once
// The few things the stand-alone program reads from its command line, and the texts it prints.
#include <QString>
#include <QStringList>

#include "executor/version.h"

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

// What "--help" prints, ending with a line end.
QString usageText(const QString& programPath);

} // namespace VORNE
