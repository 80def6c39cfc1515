#include "executor/parameterkeys.h"

#include <string>

#include "kora/string.h"
#include "kora/value.h"

namespace VORNE {

namespace {

void collectKeys(const KORA::CValueMap& map, const QString& prefix, QStringList& keys)
{
    for (const std::string& key : map.Keys()) {
        const QString path = prefix + QString::fromStdString(key);
        keys << path;
        if (const auto* inner = dynamic_cast<const KORA::CValueMap*>(KORA::Unwrap(map.FindEntry(key))))
            collectKeys(*inner, path + QLatin1Char('/'), keys);
    }
}

void collectUnknown(const KORA::CValueMap& given, const QString& prefix, const QStringList& known,
                    QStringList& unknown)
{
    for (const std::string& key : given.Keys()) {
        const QString path = prefix + QString::fromStdString(key);
        if (!known.contains(path))
            unknown << path;
        else if (const auto* inner = dynamic_cast<const KORA::CValueMap*>(KORA::Unwrap(given.FindEntry(key))))
            collectUnknown(*inner, path + QLatin1Char('/'), known, unknown);
    }
}

} // namespace

QStringList parameterKeyPaths(const KORA::CValueMap& parameters)
{
    QStringList keys;
    collectKeys(parameters, QString(), keys);
    return keys;
}

QStringList unknownParameterKeys(const KORA::CValueMap& given, const QStringList& known)
{
    QStringList unknown;
    collectUnknown(given, QString(), known, unknown);
    return unknown;
}

QString unknownParameterText(const QString& key, const QStringList& known)
{
    QString closest;
    int best = -1;
    for (const QString& candidate : known) {
        const int distance = static_cast<int>(KORA::CStringTools::EditDistance(key.toStdString(), candidate.toStdString()));
        if (best < 0 || distance < best) {
            best = distance;
            closest = candidate;
        }
    }
    const QString text = QStringLiteral("unknown parameter '%1'").arg(key);
    return closest.isNull() ? text : text + QStringLiteral("; did you mean '%1'?").arg(closest);
}

} // namespace VORNE
