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

} // namespace viewers
