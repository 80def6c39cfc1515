#include "results/provenance.h"

#include <QCoreApplication>
#include <QSysInfo>
#include <QThread>

#include "buildinfo.h"
#include "executor/version.h"
#include "items/checksum.h"
#include "kora/kora.h"

namespace VORNE {

nlohmann::json currentProvenance()
{
    nlohmann::json versions{{"Qt", qVersion()}};
    for (const auto& [library, version] : KORA::RuntimeLibraryVersions())
        versions[library] = version;
    nlohmann::json plugins = nlohmann::json::array();
    for (const std::string& path : KORA::LoadedPluginLibraries()) {
        const QString checksum = fileChecksum(QString::fromStdString(path));
        plugins.push_back(
            {{"path", path}, {"xxh3", checksum.isNull() ? nlohmann::json() : nlohmann::json(checksum.toStdString())}});
    }
    nlohmann::json command = nlohmann::json::array();
    if (QCoreApplication::instance())
        for (const QString& argument : QCoreApplication::arguments())
            command.push_back(argument.toStdString());
    return {{"build",
             {{"version", versionString().toStdString()},
              {"revision", VORNE_SOURCE_REVISION},
              {"date", VORNE_BUILD_DATE}}},
            {"versions", versions},
            {"plugins", plugins},
            {"command", command},
            {"host", QSysInfo::machineHostName().toStdString()},
            {"processors", QThread::idealThreadCount()}};
}

} // namespace VORNE
