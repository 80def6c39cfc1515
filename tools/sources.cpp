#include "tools/sources.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <limits>
#include <memory>

#include <dirent.h>
#include <sys/stat.h>

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
    if (!info.isFile() && path.contains(QChar::ReplacementCharacter))
        refuse(QStringLiteral("input file '%1' (from '%2'): its name is not valid UTF-8").arg(path, source));
    if (!info.isFile())
        refuse(QStringLiteral("input file '%1' does not exist (from '%2')").arg(path, source));
    return QDir::cleanPath(info.absoluteFilePath());
}

InputItem typedItem(const QString& kind, const QString& text, const QString& source)
{
    bool ok = true;
    if (kind == QLatin1String("long")) {
        // The item holds a 32-bit long; a whole number beyond it must not arrive as something else.
        const qlonglong wide = text.toLongLong(&ok, 10);
        if (ok && (wide < std::numeric_limits<qint32>::min() || wide > std::numeric_limits<qint32>::max()))
            refuse(QStringLiteral("'%1': %2 lies outside the range of a long value, %3..%4")
                       .arg(source, text.trimmed())
                       .arg(std::numeric_limits<qint32>::min())
                       .arg(std::numeric_limits<qint32>::max()));
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

void imageItems(const QStringList& paths, const QString& source, InputList& into)
{
    for (const QString& path : paths)
        into.append(existingImage(path, source), Item::ImageFileType);
}

// A folder's regular files, hidden ones aside, by their raw names: QDir leaves out the names the file-name
// encoding cannot carry, and a scan must report those rather than lose them.
QList<QByteArray> rawFileNames(const QDir& folder)
{
    QList<QByteArray> names;
    const QByteArray path = QFile::encodeName(folder.absolutePath());
    DIR* dir = opendir(path.constData());
    if (!dir)
        return names;
    while (const dirent* entry = readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name.startsWith('.') || (entry->d_type != DT_REG && entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN))
            continue;
        // The entry's type spares a stat per file of a large folder; links and file systems that do not
        // say need one.
        struct stat info;
        if (entry->d_type == DT_REG || (stat((path + '/' + name).constData(), &info) == 0 && S_ISREG(info.st_mode)))
            names << name;
    }
    closedir(dir);
    return names;
}

// The bytes outside printable ASCII as \xHH, so that the user can find the file.
QString escapedName(const QByteArray& raw)
{
    QString shown;
    for (const char c : raw) {
        if (c >= 0x20 && c < 0x7f)
            shown += QLatin1Char(c);
        else
            shown += QStringLiteral("\\x") + QString::number(uchar(c), 16).toUpper().rightJustified(2, QLatin1Char('0'));
    }
    return shown;
}

// The files of a folder (those matching the glob pattern, when there is one) that the registry reads as
// images, in plain code-point order (the byte order of their UTF-8 names), so that the order does not
// depend on the machine's locale; the others go to skipped as "name (reason)". Appends their absolute
// paths to into and says how many there were.
int scanImages(const QDir& folder, const QString& pattern, InputList& into, QStringList* skipped)
{
    const QRegularExpression glob(QRegularExpression::wildcardToRegularExpression(pattern));
    QList<QByteArray> raws = rawFileNames(folder);
    std::sort(raws.begin(), raws.end());
    into.reserve(raws.size());
    int matched = 0;
    int taken = 0;
    QString prefix = folder.absolutePath();
    if (!prefix.endsWith(QLatin1Char('/')))
        prefix += QLatin1Char('/');
    for (const QByteArray& raw : qAsConst(raws)) {
        const QString name = QFile::decodeName(raw);
        if (!pattern.isEmpty() && !glob.match(name).hasMatch())
            continue;
        ++matched;
        const bool carried = QFile::encodeName(name) == raw;
        const QString reason = carried ? scanRefusal(prefix + name)
                                       : QStringLiteral("its name is not valid in the file-name encoding");
        if (reason.isEmpty()) {
            into.appendInFolder(prefix, name, Item::ImageFileType);
            ++taken;
        } else if (skipped) {
            *skipped << QStringLiteral("%1 (%2)").arg(carried ? name : escapedName(raw), reason);
        }
    }
    if (matched == 0 && !pattern.isEmpty())
        refuse(QStringLiteral("'%1' matches no file").arg(folder.filePath(pattern)));
    return taken;
}

void folderItems(const QString& source, InputList& into, QStringList* skipped)
{
    const QDir folder(source);
    if (!folder.exists())
        refuse(QStringLiteral("folder '%1' does not exist").arg(source));
    if (scanImages(folder, QString(), into, skipped) == 0)
        refuse(QStringLiteral("folder '%1' holds no image files").arg(source));
}

void globItems(const QString& source, InputList& into, QStringList* skipped)
{
    const QFileInfo info(source);
    const QString folderPath = info.path();
    if (folderPath.contains(QLatin1Char('*')) || folderPath.contains(QLatin1Char('?')) ||
        folderPath.contains(QLatin1Char('[')))
        refuse(QStringLiteral("'%1': wildcards are allowed in the file name only").arg(source));
    if (scanImages(QDir(folderPath), info.fileName(), into, skipped) == 0)
        refuse(QStringLiteral("'%1' matches no image file").arg(source));
}

} // namespace

QString scanRefusal(const QString& path)
{
    const std::string name = QFile::encodeName(path).toStdString();
    const KORA::StFileFormat* format = KORA::CFormatRegistry::Find(name);
    if (!format)
        return QString::fromStdString(KORA::CFormatRegistry::NoReaderReason(name));
    if (format->textList)
        return QStringLiteral("%1 may be a text list: give it as @FILE, or as FILE for a text image")
            .arg(QLatin1String(format->extension));
    return QString();
}

void expandSource(const QString& source, InputList& into, QStringList* skipped)
{
    static const QStringList kinds{QStringLiteral("long"), QStringLiteral("double"), QStringLiteral("string"),
                                   QStringLiteral("bool"), QStringLiteral("vector")};
    const int colon = source.indexOf(QLatin1Char(':'));
    if (colon > 0 && kinds.contains(source.left(colon))) {
        into.append(typedItem(source.left(colon), source.mid(colon + 1), source));
    } else if (source.startsWith(QLatin1Char('@'))) {
        const QString list = source.mid(1);
        QStringList paths;
        if (!readTextList(list, paths))
            refuse(QStringLiteral("could not open the text list '%1'").arg(list));
        if (paths.isEmpty())
            refuse(QStringLiteral("the text list '%1' names no file").arg(list));
        imageItems(paths, source, into);
    } else if (source.endsWith(QLatin1Char('/')) || QFileInfo(source).isDir()) {
        folderItems(source, into, skipped);
    } else if (source.contains(QLatin1Char('*')) || source.contains(QLatin1Char('?')) ||
               source.contains(QLatin1Char('['))) {
        globItems(source, into, skipped);
    } else {
        into.append(existingImage(source, source), Item::ImageFileType);
    }
}

} // namespace VORNE::batch
