#include "statusline.h"

namespace viewers {

namespace {
// Longest names first, so that "%imin" is never read as "%i" followed by "min".
const QStringList& PlaceholderNames()
{
    static const QStringList names = {"isigma", "psigma", "imean", "pmean", "imin", "imax", "pmin", "pmax",
                                      "t", "s", "v"};
    return names;
}

// The placeholder starting right after the "%" at position, or an empty string.
QString PlaceholderAt(const QString& text, int position)
{
    for (const QString& name : PlaceholderNames())
        if (QStringView(text).mid(position, name.size()) == name)
            return name;
    return QString();
}
} // namespace

QStringList StatusFields(const QString& statusTemplate)
{
    if (statusTemplate.isEmpty())
        return {};
    return statusTemplate.split(QLatin1Char('|'));
}

QString ExpandStatusField(const QString& field, const QHash<QString, QString>& values)
{
    QString result;
    result.reserve(field.size() + 32);
    for (int i = 0; i < field.size(); ++i) {
        if (field[i] != QLatin1Char('%') || i + 1 >= field.size()) {
            result += field[i];
            continue;
        }
        if (field[i + 1] == QLatin1Char('%')) {
            result += QLatin1Char('%');
            ++i;
            continue;
        }
        const QString name = PlaceholderAt(field, i + 1);
        if (name.isEmpty()) {
            result += field[i];
            continue;
        }
        result += values.value(name);
        i += name.size();
    }
    return result;
}

bool FieldUses(const QString& field, const QString& initials)
{
    for (int i = 0; i + 1 < field.size(); ++i) {
        if (field[i] != QLatin1Char('%'))
            continue;
        if (field[i + 1] == QLatin1Char('%')) {
            ++i;
            continue;
        }
        const QString name = PlaceholderAt(field, i + 1);
        if (!name.isEmpty() && initials.contains(name[0]))
            return true;
    }
    return false;
}

QString PixelSizeSuffix(const QString& size, const QString& unit)
{
    if (size.isEmpty())
        return QString();
    return QStringLiteral(" | pixel ") + size + (unit.isEmpty() ? QString() : QLatin1Char(' ') + unit);
}

} // namespace viewers
