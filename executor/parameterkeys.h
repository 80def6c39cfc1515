#pragma once
// Parameter keys a graph does not know. A misspelt key would otherwise be added to the graph's
// parameters, where nothing reads it, and the batch would run with the default it meant to change.
#include <QString>
#include <QStringList>

namespace KORA {
class CValueMap;
}

namespace VORNE {

// Every key path of the map, maps included: "a", "a/b", ...
QStringList parameterKeyPaths(const KORA::CValueMap& parameters);

// The key paths of given that are not known; below an unknown map nothing more is listed.
QStringList unknownParameterKeys(const KORA::CValueMap& given, const QStringList& known);

// "unknown parameter 'sigam'; did you mean 'sigma'?", the suggestion being the known key path nearest in
// spelling (none when nothing is known).
QString unknownParameterText(const QString& key, const QStringList& known);

} // namespace VORNE
