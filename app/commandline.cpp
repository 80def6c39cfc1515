#include "app/commandline.h"

#include <QtGlobal>

#include "kora/state.h"

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

QString versionString()
{
    return QStringLiteral("unknown");
}

QString buildDate()
{
    // __DATE__ pads single-digit days with a blank: "Apr  3 2026".
    return QString::fromLatin1(__DATE__).simplified();
}

QString buildTime()
{
    return QString::fromLatin1(__TIME__);
}

QString versionText()
{
    return QStringLiteral("VORNE\nVORNE version %1\nBuild date: %2 %3\nRuntime %4")
        .arg(versionString(), buildDate(), buildTime(), QString::fromUtf8(KORA::GetVexlibVersion()));
}

QString usageText(const QString& programPath)
{
    return programPath +
           QStringLiteral(" [options] [file1] [file2] ...\nAvailable options:\n"
                          "  --version | -v    ... print version information\n"
                          "  --help    | -h    ... this help\n"
                          "\n");
}

QString versionOutput()
{
    return versionText() + QStringLiteral("\nQt build: ") + QStringLiteral(QT_VERSION_STR) +
           QStringLiteral("\nQt runtime: ") + QString::fromLatin1(qVersion()) + QLatin1Char('\n');
}

} // namespace VORNE
