#include "executor/outputnaming.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <iostream>

#include "items/item.h"

namespace VORNE {

NamingInput namingInput(const Item* item)
{
    NamingInput input;
    if (!item) {
        input.name = QString::number(-1);
        return input;
    }
    return namingInput(item->type(), item->valueText(), item->row());
}

NamingInput namingInput(int type, const QString& text, int row)
{
    NamingInput input;
    input.row = row;
    input.name = type == Item::ImageFileType ? QFileInfo(text).completeBaseName() : QString::number(row);
    return input;
}

QString outputSuffix(const QString& suffix, KORA::ImageType type, std::int64_t depth)
{
    if (suffix == QLatin1String(".iass") || suffix == QLatin1String(".iass.gz") ||
        suffix == QLatin1String(".tif") || suffix == QLatin1String(".tiff"))
        return suffix;
    // Only the suite's own format holds volumes and complex pixels; floats need TIFF.
    if (depth > 1 || type == KORA::IMAGE_COMPLEX_F)
        return QStringLiteral(".iass.gz");
    if (type == KORA::IMAGE_GREY_F)
        return QStringLiteral(".tif");
    if (suffix == QLatin1String(".pxm")) {
        switch (type) {
        case KORA::IMAGE_BINARY_BG:
        case KORA::IMAGE_BINARY_FG:
        case KORA::IMAGE_BOOL:
            return QStringLiteral(".pbm");
        case KORA::IMAGE_GREY_8:
            return QStringLiteral(".pgm");
        case KORA::IMAGE_RGB_8:
            return QStringLiteral(".ppm");
        default:
            return QStringLiteral(".tif");
        }
    }
    return suffix;
}

namespace {

QString temporaryName()
{
    std::cerr << "GraphExecutor: No output patterns given! Falling back to "
              << "temporary files." << std::endl;
    QTemporaryFile file;
    file.setAutoRemove(true);
    if (!file.open())
        return QDir::temp().filePath(QStringLiteral("vorne_output"));
    // The file is removed when `file` goes out of scope; only its unique name is kept.
    return QFileInfo(file.fileName()).absoluteFilePath();
}

} // namespace

QString outputFilename(const QList<OutputPattern>& patterns, int port, const QList<NamingInput>& inputs,
                       const KORA::CImage* image)
{
    if (patterns.isEmpty())
        return temporaryName();
    const OutputPattern& entry = port >= 0 && port < patterns.size() ? patterns.at(port) : patterns.first();
    QString name = entry.pattern;

    if (!inputs.isEmpty() && name.contains(QLatin1String("%i"))) {
        static const QRegularExpression token(QStringLiteral("%i(\\d*)"));
        const QRegularExpressionMatch match = token.match(name);
        if (match.hasMatch()) {
            const QString digits = match.captured(1);
            bool ok = true;
            const qlonglong index = digits.isEmpty() ? 0 : digits.toLongLong(&ok);
            if (ok && index >= 0 && index < inputs.size()) {
                const NamingInput& input = inputs.at(static_cast<int>(index));
                name.replace(match.captured(0), input.name);
                name.replace(QLatin1String("%n"), QString::number(input.row));
            }
        }
    }
    const QString portText = QString::number(port);
    name.replace(QLatin1String("%d"), portText);
    name.replace(QLatin1String("%o"), portText);
    if (!inputs.isEmpty() && !name.contains(QLatin1String("%i")))
        name.replace(QLatin1String("%n"), QString::number(inputs.first().row));

    if (image)
        name += outputSuffix(entry.suffix, image->Type(), image->Size().Depth());
    if (entry.directory.isEmpty())
        return name;
    return entry.directory + QDir::separator() + name;
}

} // namespace VORNE
