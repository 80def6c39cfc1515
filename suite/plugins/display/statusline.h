#pragma once
// The image viewer's status line: a template whose "|" separates status-bar fields and whose
// placeholders (%t, %s, %v, %imin … %psigma) the viewer fills.
#include <QHash>
#include <QString>
#include <QStringList>

namespace viewers {

// The template's fields, in order; an empty template gives no field.
QStringList StatusFields(const QString& statusTemplate);
// The field with every known placeholder replaced by its value from values (keyed by the name without
// "%"); "%%" is a literal "%", an unknown placeholder stays as written.
QString ExpandStatusField(const QString& field, const QHash<QString, QString>& values);
// Whether the field refers to any placeholder whose name starts with one of the given characters.
bool FieldUses(const QString& field, const QString& initials);
// What follows the expanded template for an image with a pixel size, " | pixel 0.65 x 0.65 x 2 µm"
// (size as KORA::PixelSizeText gives it); empty without a size. Outside the template, so that the
// template the host passes keeps its meaning.
QString PixelSizeSuffix(const QString& size, const QString& unit);

} // namespace viewers
