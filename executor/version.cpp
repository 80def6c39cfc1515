#include "executor/version.h"

#include <QtGlobal>

#include "kora/state.h"

namespace VORNE {

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

QString versionOutput()
{
    return versionText() + QStringLiteral("\nQt build: ") + QStringLiteral(QT_VERSION_STR) +
           QStringLiteral("\nQt runtime: ") + QString::fromLatin1(qVersion()) + QLatin1Char('\n');
}

} // namespace VORNE
