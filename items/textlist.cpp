#include "items/textlist.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "kora/string.h"

namespace VORNE {

bool readTextList(const QString& listPath, QStringList& paths)
{
    QFile file(listPath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QDir folder = QFileInfo(listPath).absoluteDir();
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).simplified();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QString expanded =
            QString::fromStdString(KORA::CStringTools::UnwrapEnvVars(line.toStdString()));
        paths << QDir::cleanPath(folder.absoluteFilePath(expanded));
    }
    return true;
}

} // namespace VORNE
