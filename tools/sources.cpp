#include "tools/sources.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <memory>

#include "items/item.h"
#include "items/textlist.h"
#include "kora/kora.h"

namespace VORNE::batch {

namespace {

[[noreturn]] void refuse(const QString& message)
{
    throw InputError(message.toStdString());
}

QString existingImage(const QString& path, const QString& source)
{
    const QFileInfo info(path);
    if (!info.isFile())
        refuse(QStringLiteral("input file '%1' does not exist (from '%2')").arg(path, source));
    return QDir::cleanPath(info.absoluteFilePath());
}

ItemSpec typedItem(const QString& kind, const QString& text, const QString& source)
{
    bool ok = true;
    if (kind == QLatin1String("long")) {
        text.toLongLong(&ok, 10);
        if (ok)
            return {text, Item::LongType};
    } else if (kind == QLatin1String("double")) {
        text.toDouble(&ok);
        if (ok)
            return {text, Item::DoubleType};
    } else if (kind == QLatin1String("string")) {
        return {text, Item::StringType};
    } else if (kind == QLatin1String("bool")) {
        const QString normal = text.simplified().toLower();
        if (normal == QLatin1String("true") || normal == QLatin1String("false"))
            return {normal, Item::BoolType};
    } else if (kind == QLatin1String("vector")) {
        try {
            const QByteArray bytes = text.toLocal8Bit();
            const std::unique_ptr<KORA::CValue> value(
                KORA::CTextSerializer(true, false, nullptr).Deserialize(bytes.constData(), bytes.size()));
            if (value && value->GenericType() == KORA::GT_VECTOR)
                return {text, Item::VectorType};
        } catch (const KORA::CException&) {
        }
    }
    refuse(QStringLiteral("'%1' is no %2 value").arg(source, kind));
}

QList<ItemSpec> imageItems(const QStringList& paths, const QString& source)
{
    QList<ItemSpec> items;
    for (const QString& path : paths)
        items.append({existingImage(path, source), Item::ImageFileType});
    return items;
}

// Plain code-point order, so that the order does not depend on the machine's locale.
QStringList sorted(QStringList names)
{
    std::sort(names.begin(), names.end());
    return names;
}

QList<ItemSpec> folderItems(const QString& source)
{
    const QDir folder(source);
    if (!folder.exists())
        refuse(QStringLiteral("folder '%1' does not exist").arg(source));
    QStringList paths;
    for (const QString& name : sorted(folder.entryList(QDir::Files)))
        if (isImageFileName(name))
            paths << folder.absoluteFilePath(name);
    if (paths.isEmpty())
        refuse(QStringLiteral("folder '%1' holds no image files").arg(source));
    return imageItems(paths, source);
}

QList<ItemSpec> globItems(const QString& source)
{
    const QFileInfo info(source);
    const QString folderPath = info.path();
    if (folderPath.contains(QLatin1Char('*')) || folderPath.contains(QLatin1Char('?')) ||
        folderPath.contains(QLatin1Char('[')))
        refuse(QStringLiteral("'%1': wildcards are allowed in the file name only").arg(source));
    const QDir folder(folderPath);
    QStringList paths;
    for (const QString& name : sorted(folder.entryList({info.fileName()}, QDir::Files)))
        paths << folder.absoluteFilePath(name);
    if (paths.isEmpty())
        refuse(QStringLiteral("'%1' matches no file").arg(source));
    return imageItems(paths, source);
}

} // namespace

bool isImageFileName(const QString& name)
{
    static const QStringList suffixes{
        QStringLiteral(".ppm"), QStringLiteral(".pgm"),  QStringLiteral(".pbm"),  QStringLiteral(".pfm"),
        QStringLiteral(".pam"), QStringLiteral(".jpg"),  QStringLiteral(".jpeg"), QStringLiteral(".jp2"),
        QStringLiteral(".j2k"), QStringLiteral(".bmp"),  QStringLiteral(".tif"),  QStringLiteral(".tiff"),
        QStringLiteral(".png"), QStringLiteral(".gif"),  QStringLiteral(".tga"),  QStringLiteral(".ico"),
        QStringLiteral(".iass"), QStringLiteral(".iass.gz")};
    const QString lower = name.toLower();
    return std::any_of(suffixes.begin(), suffixes.end(),
                       [&lower](const QString& suffix) { return lower.endsWith(suffix); });
}

QList<ItemSpec> expandSource(const QString& source)
{
    static const QStringList kinds{QStringLiteral("long"), QStringLiteral("double"), QStringLiteral("string"),
                                   QStringLiteral("bool"), QStringLiteral("vector")};
    const int colon = source.indexOf(QLatin1Char(':'));
    if (colon > 0 && kinds.contains(source.left(colon)))
        return {typedItem(source.left(colon), source.mid(colon + 1), source)};
    if (source.startsWith(QLatin1Char('@'))) {
        const QString list = source.mid(1);
        QStringList paths;
        if (!readTextList(list, paths))
            refuse(QStringLiteral("could not open the text list '%1'").arg(list));
        if (paths.isEmpty())
            refuse(QStringLiteral("the text list '%1' names no file").arg(list));
        return imageItems(paths, source);
    }
    if (source.endsWith(QLatin1Char('/')) || QFileInfo(source).isDir())
        return folderItems(source);
    if (source.contains(QLatin1Char('*')) || source.contains(QLatin1Char('?')) || source.contains(QLatin1Char('[')))
        return globItems(source);
    return {{existingImage(source, source), Item::ImageFileType}};
}

} // namespace VORNE::batch
