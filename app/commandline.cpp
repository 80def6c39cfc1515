#include "app/commandline.h"

namespace VORNE {

CommandLine CommandLine::parse(const QStringList& arguments)
{
    CommandLine line;
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("-h"))
            line.options << QStringLiteral("--help");
        else if (argument == QLatin1String("-v"))
            line.options << QStringLiteral("--version");
        else if (argument.startsWith(QLatin1String("--")))
            line.options << argument;
        else
            line.files << argument;
    }
    return line;
}

QString usageText(const QString& programPath)
{
    return programPath +
           QStringLiteral(" [options] [file1] [file2] ...\nAvailable options:\n"
                          "  --version | -v    ... print version information\n"
                          "  --help    | -h    ... this help\n"
                          "\n");
}

} // namespace VORNE
