#include "tools/parameters.h"

#include <QFile>

#include "executor/hiddenparameters.h"
#include "executor/parameterkeys.h"
#include "kora/kora.h"
#include "ostrel/ostrel.h"
#include "tools/options.h"

namespace VORNE::batch {

namespace {

const char* kindName(int kind)
{
    switch (kind) {
    case KORA::GT_BOOL: return "bool";
    case KORA::GT_DOUBLE: return "double";
    case KORA::GT_LONG: return "long";
    case KORA::GT_MAP: return "map";
    case KORA::GT_STRING: return "string";
    case KORA::GT_VECTOR: return "vector";
    default: return "value";
    }
}

} // namespace

std::unique_ptr<KORA::CValueMap> visibleParameters(const OstrelGraph::Graph& graph)
{
    std::unique_ptr<KORA::CValueMap> parameters(
        static_cast<KORA::CValueMap*>(graph.Parameters().Clone(KORA::COPY_SHARE_POINTER)));
    removeHiddenParameters(*parameters);
    return parameters;
}

void mergeParameterFile(KORA::CValueMap& parameters, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw UsageError(QStringLiteral("could not open the parameter file '%1'").arg(path).toStdString());
    const QByteArray bytes = file.readAll();
    const QByteArray name = path.toLocal8Bit();
    const bool xml = bytes.trimmed().startsWith('<');
    try {
        KORA::CValueMap read;
        if (xml)
            KORA::DeserializeString(read, bytes.toStdString(), KORA::CXmlSerializer2(false, false, name.constData()));
        else
            KORA::DeserializeString(read, bytes.toStdString(), KORA::CTextSerializer(false, false, name.constData()));
        const QStringList known = parameterKeyPaths(parameters);
        const QStringList unknown = unknownParameterKeys(read, known);
        if (!unknown.isEmpty())
            throw UsageError(QStringLiteral("parameter file '%1': %2")
                                 .arg(path, unknownParameterText(unknown.first(), known))
                                 .toStdString());
        parameters.Copy(read, KORA::COPY_NO_OWNERSHIP, true);
    } catch (const KORA::CException& e) {
        throw UsageError(QStringLiteral("parameter file '%1': %2")
                             .arg(path, QString::fromLocal8Bit(e.FormattedWhat().c_str()))
                             .toStdString());
    }
}

void setParameter(KORA::CValueMap& parameters, const QString& key, const QString& text)
{
    const std::string path = key.toStdString();
    const KORA::CValue* current = parameters.FindEntry(path);
    if (current == nullptr)
        throw UsageError(unknownParameterText(key, parameterKeyPaths(parameters)).toStdString());
    const QByteArray bytes = text.toLocal8Bit();
    std::unique_ptr<KORA::CValue> value;
    try {
        value.reset(KORA::CTextSerializer(false, false, "--param").Deserialize(bytes.constData(), bytes.size()));
    } catch (const KORA::CException&) {
        value = std::make_unique<KORA::CValueString>(bytes.toStdString());
    }
    const int had = KORA::Unwrap(current)->GenericType();
    const int got = value->GenericType();
    if (had == KORA::GT_STRING && got != KORA::GT_STRING)
        value = std::make_unique<KORA::CValueString>(bytes.toStdString());
    else if (had == KORA::GT_DOUBLE && got == KORA::GT_LONG)
        value = std::make_unique<KORA::CValueDouble>(static_cast<KORA::CValueLong*>(value.get())->Value());
    else if (had != got)
        throw UsageError(QStringLiteral("parameter '%1' is a %2; '%3' is a %4")
                             .arg(key, QString::fromLatin1(kindName(had)), text, QString::fromLatin1(kindName(got)))
                             .toStdString());
    try {
        parameters.SetEntry(path, value.release());
    } catch (const KORA::CException& e) {
        throw UsageError(QStringLiteral("parameter '%1': %2")
                             .arg(key, QString::fromLocal8Bit(e.FormattedWhat().c_str()))
                             .toStdString());
    }
}

} // namespace VORNE::batch
