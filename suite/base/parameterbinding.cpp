#include "parameterbinding.h"

#include <cmath>
#include <limits>

namespace OstrelGraph {
namespace detail {

using namespace KORA;

namespace {

std::string KindName(const CValue& value)
{
    return GenericTypeName(value.GenericType());
}

std::string Join(const std::string& prefix, const std::string& key)
{
    return prefix.empty() ? key : prefix + "/" + key;
}

void SplitInto(const CValueMap& written, const CValueMap& defaults, const std::string& node,
               const std::string& prefix, CValueMap& fixed, std::vector<ParameterReference>& references)
{
    for (std::size_t i = 0; i < written.Size(); ++i) {
        const std::string key = Join(prefix, written.KeyAt(i));
        const CValue* value = Unwrap(written.ValueAt(i));
        if (!value)
            continue;
        const CValue* defaultValue = defaults.FindEntry(key);
        if (value->GenericType() == GT_STRING) {
            const std::string& text = static_cast<const CValueString*>(value)->Value();
            if (text.size() > 1 && text[0] == '$' && text[1] != '$') {
                references.push_back({key, text.substr(1)});
                continue;
            }
            if (text.size() > 1 && text[0] == '$') {
                CValueString literal(text.substr(1));
                fixed.SetEntry(key, ParameterBinding::Conform(literal, defaultValue, key, node));
                continue;
            }
        }
        if (value->GenericType() == GT_MAP && (!defaultValue || defaultValue->GenericType() == GT_MAP)) {
            fixed.SetEntry(key, new CValueMap());
            SplitInto(*static_cast<const CValueMap*>(value), defaults, node, key, fixed, references);
            continue;
        }
        fixed.SetEntry(key, ParameterBinding::Conform(*value, defaultValue, key, node));
    }
}

} // namespace

CValue* ParameterBinding::Conform(const CValue& given, const CValue* defaultValue, const std::string& key,
                                  const std::string& node)
{
    const CValue& value = *Unwrap(&given);
    const CValue* wanted = Unwrap(defaultValue);
    if (!wanted || wanted->GenericType() == value.GenericType())
        return value.Clone(COPY_SHARE_POINTER);
    if (wanted->GenericType() == GT_DOUBLE && value.GenericType() == GT_LONG)
        return new CValueDouble(static_cast<const CValueLong&>(value).Value());
    if (wanted->GenericType() == GT_LONG && value.GenericType() == GT_DOUBLE) {
        const double number = std::round(static_cast<const CValueDouble&>(value).Value());
        if (!std::isfinite(number) || number < std::numeric_limits<int32_t>::min() ||
            number > std::numeric_limits<int32_t>::max())
            throw CException("parameter '" + key + "' expects a long; " +
                                 std::to_string(static_cast<const CValueDouble&>(value).Value()) +
                                 " does not fit",
                             node);
        return new CValueLong(static_cast<int32_t>(number));
    }
    throw CException("parameter '" + key + "' expects a " + KindName(*wanted) + ", got a " + KindName(value), node);
}

void ParameterBinding::Split(const CValueMap& written, const CValueMap& defaults, const std::string& node,
                             CValueMap& fixed, std::vector<ParameterReference>& references)
{
    SplitInto(written, defaults, node, std::string(), fixed, references);
}

std::unique_ptr<CValueMap> ParameterBinding::Resolve(const GraphNode& node, const CValueMap& graphParameters,
                                                     const std::string& description, bool skipMissing)
{
    auto resolved = std::unique_ptr<CValueMap>(static_cast<CValueMap*>(node.fixed->Clone(COPY_SHARE_POINTER)));
    for (const ParameterReference& reference : node.references) {
        const CValue* value = reference.path.empty() ? nullptr : Unwrap(graphParameters.FindEntry(reference.path));
        if (!value) {
            if (skipMissing)
                continue;
            throw CException("parameter '" + reference.key + "' refers to '$" + reference.path +
                                 "', which the graph's parameters do not hold",
                             description);
        }
        resolved->SetEntry(reference.key,
                           Conform(*value, node.defaults->FindEntry(reference.key), reference.key, description));
    }
    return resolved;
}

} // namespace detail
} // namespace OstrelGraph
