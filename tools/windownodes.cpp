#include "tools/windownodes.h"

#include <QFile>

#include <memory>
#include <string>

#include "kora/kora.h"
#include "tools/batchplan.h"
#include "tools/logging.h"

namespace VORNE::batch {

namespace {

// Graph files are small; a larger one is refused by the graph loader without being read whole.
constexpr qint64 kMaxGraphFileBytes = 64 << 20;

// The graph description as the graph loader reads it: XML when it starts with "<", text otherwise.
std::unique_ptr<KORA::CValue> readGraphMap(const QString& path)
{
    QFile file(path);
    if (file.size() > kMaxGraphFileBytes || !file.open(QIODevice::ReadOnly))
        return nullptr;
    const QByteArray content = file.readAll().trimmed();
    try {
        if (content.startsWith('<'))
            return std::unique_ptr<KORA::CValue>(
                KORA::CXmlSerializer2(true, false, nullptr).Deserialize(content.constData(), content.size()));
        return std::unique_ptr<KORA::CValue>(
            KORA::CTextSerializer(true, false, nullptr).Deserialize(content.constData(), content.size()));
    } catch (const KORA::CException& e) {
        qCDebug(lcBatch) << "refuseWindowNodes():" << path << "not read for its nodes:" << e.what();
        return nullptr;
    }
}

// "vorne::Vorne" for "%KORADIR%/bin/vorne::Vorne" (or libvorne, libvorne.so); empty for other libraries.
std::string windowEntry(const std::string& plugin)
{
    const std::string expanded = KORA::CStringTools::UnwrapEnvVars(plugin);
    const std::size_t separator = expanded.rfind("::");
    if (separator == std::string::npos)
        return std::string();
    std::string library = expanded.substr(0, separator);
    library = library.substr(library.rfind('/') + 1);
    if (library.size() > 3 && library.compare(library.size() - 3, 3, ".so") == 0)
        library.resize(library.size() - 3);
    if (library.rfind("lib", 0) == 0)
        library.erase(0, 3);
    if (library != "vorne")
        return std::string();
    return "vorne::" + expanded.substr(separator + 2);
}

} // namespace

void refuseWindowNodes(const QString& path)
{
    const std::unique_ptr<KORA::CValue> graph = readGraphMap(path);
    const auto* nodes = graph ? dynamic_cast<const KORA::CValueMap*>(KORA::Unwrap(graph->FindEntry("nodes")))
                              : nullptr;
    for (std::size_t i = 0; nodes && i < nodes->Size(); ++i) {
        const auto* node = dynamic_cast<const KORA::CValueMap*>(KORA::Unwrap(nodes->ValueAt(i)));
        const std::string entry = node ? windowEntry(node->EntryString("plugin")) : std::string();
        if (!entry.empty())
            throw GraphError(QStringLiteral("%1: node '%2': %3 needs the window; run it in VORNE or a host that "
                                            "embeds it")
                                 .arg(path, QString::fromStdString(nodes->KeyAt(i)), QString::fromStdString(entry))
                                 .toStdString());
    }
}

} // namespace VORNE::batch
