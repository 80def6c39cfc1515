#include "executor/outputcheck.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QVector>

#include <algorithm>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "kora/imageio.h"

namespace VORNE {

namespace {

struct NamedPair
{
    int index;
    int port;
};

bool endAlike(const QStringList& a, const QStringList& b)
{
    for (const QString& suffix : a)
        if (b.contains(suffix))
            return true;
    return false;
}

const OutputPattern& entryOf(const QList<OutputPattern>& patterns, int port)
{
    return port >= 0 && port < patterns.size() ? patterns.at(port) : patterns.first();
}

// The file names a pattern can produce, placeholders read as anything they can stand for.
QRegularExpression targetExpression(const QString& pattern, const QString& suffix)
{
    QString expression;
    static const QRegularExpression token(QStringLiteral("%i\\d*|%n|%o|%d"));
    int at = 0;
    for (auto it = token.globalMatch(pattern); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        expression += QRegularExpression::escape(pattern.mid(at, match.capturedStart() - at));
        const QString text = match.captured();
        expression += text.startsWith(QLatin1String("%i")) ? QStringLiteral(".*")
                      : text == QLatin1String("%n")        ? QStringLiteral("-?\\d+")
                                                           : QStringLiteral("\\d+");
        at = match.capturedEnd();
    }
    expression += QRegularExpression::escape(pattern.mid(at));
    QStringList endings;
    for (const QString& ending : possibleSuffixes(suffix))
        endings << QRegularExpression::escape(ending);
    return QRegularExpression(QRegularExpression::anchoredPattern(expression + QStringLiteral("(") +
                                                                  endings.join(QLatin1Char('|')) +
                                                                  QStringLiteral(")")));
}

} // namespace

QStringList possibleSuffixes(const QString& suffix)
{
    static const QStringList fixed{QStringLiteral(".iass"), QStringLiteral(".iass.gz"), QStringLiteral(".tif"),
                                   QStringLiteral(".tiff")};
    if (fixed.contains(suffix))
        return {suffix};
    QStringList suffixes{QStringLiteral(".iass.gz"), QStringLiteral(".tif")};
    if (suffix == QLatin1String(".pxm"))
        suffixes << QStringLiteral(".pbm") << QStringLiteral(".pgm") << QStringLiteral(".ppm");
    else
        suffixes << suffix;
    return suffixes;
}

// A long batch names one file per pair: names are compared by a hash first, and only the pairs that share
// a hash with another pair are named again and compared by name, so the check keeps a few bytes per pair
// instead of a path.
QList<OutputCollision> findOutputCollisions(const QList<OutputPattern>& patterns, int outputCount,
                                            const QList<int>& indices,
                                            const std::function<QList<NamingInput>(int)>& inputsOf)
{
    QList<OutputCollision> collisions;
    // Without patterns every output gets a fresh temporary name.
    if (patterns.isEmpty())
        return collisions;
    const auto nameOf = [&patterns](int port, const QList<NamingInput>& inputs) {
        return QDir::cleanPath(outputFilename(patterns, port, inputs, nullptr));
    };
    std::vector<std::size_t> hashes;
    hashes.reserve(static_cast<std::size_t>(indices.size()) * static_cast<std::size_t>(std::max(0, outputCount)));
    for (const int index : indices) {
        const QList<NamingInput> inputs = inputsOf(index);
        for (int port = 0; port < outputCount; ++port) {
            const QString name = nameOf(port, inputs);
            hashes.push_back(std::hash<std::u16string_view>()(
                std::u16string_view(reinterpret_cast<const char16_t*>(name.utf16()), static_cast<std::size_t>(name.size()))));
        }
    }
    std::vector<std::size_t> sorted = hashes;
    std::sort(sorted.begin(), sorted.end());
    std::unordered_set<std::size_t> shared;
    for (std::size_t i = 1; i < sorted.size(); ++i)
        if (sorted[i] == sorted[i - 1])
            shared.insert(sorted[i]);
    if (shared.empty())
        return collisions;

    QVector<QStringList> suffixes(outputCount);
    for (int port = 0; port < outputCount; ++port)
        suffixes[port] = possibleSuffixes(entryOf(patterns, port).suffix);
    QHash<QString, QVector<NamedPair>> named;
    std::size_t pair = 0;
    for (const int index : indices) {
        QList<NamingInput> inputs;
        for (int port = 0; port < outputCount; ++port) {
            if (!shared.count(hashes[pair++]))
                continue;
            if (inputs.isEmpty())
                inputs = inputsOf(index);
            const QString name = nameOf(port, inputs);
            QVector<NamedPair>& earlier = named[name];
            for (const NamedPair& other : qAsConst(earlier))
                if (endAlike(suffixes[other.port], suffixes[port])) {
                    collisions.append({name, index, port, other.index, other.port});
                    break;
                }
            earlier.append({index, port});
        }
    }
    return collisions;
}

QString suggestedPattern(const QString& pattern)
{
    if (!pattern.contains(QLatin1String("%n"))) {
        const int port = std::max(pattern.lastIndexOf(QLatin1String("%o")), pattern.lastIndexOf(QLatin1String("%d")));
        if (port < 0)
            return pattern + QStringLiteral("_%n");
        QString suggestion = pattern;
        return suggestion.insert(port, QStringLiteral("%n_"));
    }
    if (!pattern.contains(QLatin1String("%o")) && !pattern.contains(QLatin1String("%d")))
        return pattern + QStringLiteral("_%o");
    return pattern;
}

QString collisionReport(const QList<OutputCollision>& collisions, const QList<OutputPattern>& patterns,
                        int shown)
{
    QStringList lines;
    for (const OutputCollision& collision : collisions.mid(0, shown))
        lines << QCoreApplication::translate("VORNE", "index %1, output %2 writes %3 like index %4, output %5")
                     .arg(collision.index)
                     .arg(collision.port)
                     .arg(collision.name)
                     .arg(collision.earlierIndex)
                     .arg(collision.earlierPort);
    if (collisions.size() > shown)
        lines << QCoreApplication::translate("VORNE", "... and %1 more").arg(collisions.size() - shown);
    lines << QCoreApplication::translate("VORNE", "%n output file(s) would overwrite others of this batch.", "",
                                         collisions.size());
    if (!patterns.isEmpty() && !collisions.isEmpty()) {
        const QString pattern = entryOf(patterns, collisions.first().port).pattern;
        lines << QCoreApplication::translate("VORNE", "A pattern with the batch index avoids this, e.g. \"%1\".")
                     .arg(suggestedPattern(pattern));
    }
    return lines.join(QLatin1Char('\n'));
}

int removeLeftovers(const QList<OutputPattern>& patterns)
{
    QHash<QString, QList<QRegularExpression>> byFolder;
    for (const OutputPattern& entry : patterns) {
        // A pattern that places files in subfolders of its own is checked in its last folder when that
        // folder is fixed.
        const QFileInfo target(QDir(entry.directory.isEmpty() ? QStringLiteral(".") : entry.directory),
                               entry.pattern);
        if (target.path().contains(QLatin1Char('%')))
            continue;
        byFolder[QDir::cleanPath(target.absolutePath())] << targetExpression(target.fileName(), entry.suffix);
    }
    int removed = 0;
    for (auto it = byFolder.cbegin(); it != byFolder.cend(); ++it) {
        const QDir folder(it.key());
        const QStringList candidates =
            folder.entryList({QString::fromLatin1(KORA::CImageIo2::kPartialPrefix) + QLatin1Char('*')},
                             QDir::Files | QDir::Hidden | QDir::System);
        for (const QString& name : candidates) {
            std::string target;
            if (!KORA::CImageIo2::IsLeftover(QFile::encodeName(name).constData(), &target))
                continue;
            const QString targetName = QFile::decodeName(QByteArray::fromStdString(target));
            for (const QRegularExpression& expression : it.value())
                if (expression.match(targetName).hasMatch()) {
                    removed += QFile::remove(folder.filePath(name)) ? 1 : 0;
                    break;
                }
        }
    }
    return removed;
}

} // namespace VORNE
