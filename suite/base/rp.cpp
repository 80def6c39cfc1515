#include "rp/rp.h"

#include <cmath>

namespace RP {

using namespace KORA;

namespace {

const char* const kSource = "RunPlugin";

// A number or flag given for a parameter of another numeric kind takes the kind of the node's default;
// anything else goes to the node as it was given.
CValue* MatchDefault(const value& given, const CValue* defaultValue)
{
    std::unique_ptr<CValue> converted(given.ToCValue());
    const int wanted = defaultValue ? defaultValue->GenericType() : GT_ANY;
    const int have = converted->GenericType();
    if (wanted == GT_DOUBLE && have == GT_LONG)
        return new CValueDouble(static_cast<CValueLong&>(*converted).Value());
    if (wanted == GT_LONG && have == GT_DOUBLE) {
        const double number = std::round(static_cast<CValueDouble&>(*converted).Value());
        if (std::isfinite(number) && std::abs(number) < 2147483647.0)
            return new CValueLong(static_cast<int32_t>(number));
    }
    if (wanted == GT_BOOL && have == GT_LONG)
        return new CValueBool(static_cast<CValueLong&>(*converted).Value() != 0);
    return converted.release();
}

} // namespace

value_list RunPlugin(value a0, value a1, value a2, value a3, value a4, value a5, value a6, value a7, value a8,
                     value a9, value a10, value a11, value a12, value a13, value a14, value a15, value a16,
                     value a17, value a18, value a19, value a20, value a21, value a22, value a23, value a24,
                     value a25, value a26, value a27, value a28, value a29)
{
    const value* args[] = {&a1,  &a2,  &a3,  &a4,  &a5,  &a6,  &a7,  &a8,  &a9,  &a10,
                           &a11, &a12, &a13, &a14, &a15, &a16, &a17, &a18, &a19, &a20,
                           &a21, &a22, &a23, &a24, &a25, &a26, &a27, &a28, &a29};
    constexpr std::size_t argCount = sizeof(args) / sizeof(args[0]);
    if (!a0.IsString())
        throw CException("the plug-in path must be a string, got " + a0.Describe(), kSource);
    const std::string& path = a0.String();
    const std::size_t separator = path.rfind("::");
    const std::string instance = separator == std::string::npos ? path : path.substr(separator + 2);

    std::unique_ptr<IPluginObject> object(GetPluginObject(instance.c_str(), path.c_str(), nullptr));
    auto* node = dynamic_cast<CPNode*>(object.get());
    if (!node)
        throw CException("'" + path + "' is not a processing node", kSource);
    CValueMap setup;
    node->GetPluginSetup(setup);
    const CValue* defaults = setup.FindEntry("parameters");

    CValueMap parameters;
    std::vector<std::pair<std::string, const value*>> pointers;
    for (std::size_t i = 0; i < argCount; i += 2) {
        const value& name = *args[i];
        if (name.IsString() && name.String() == "NULL")
            break;
        if (!name.IsString() || name.String().empty())
            throw CException("argument " + std::to_string(i + 1) + " must be a parameter name, got " +
                                 name.Describe(),
                             path);
        if (i + 1 >= argCount)
            throw CException("parameter '" + name.String() + "' has no value", path);
        const value& given = *args[i + 1];
        if (given.IsValue()) {
            if (!given.Value())
                throw CException("parameter '" + name.String() + "' has no value", path);
            // Init copies without taking ownership; the node takes the owned original afterwards.
            parameters.SetEntry(name.String(), given.Value()->Clone(COPY_SHARE_POINTER));
            pointers.emplace_back(name.String(), &given);
        } else {
            parameters.SetEntry(name.String(),
                                MatchDefault(given, defaults ? defaults->FindEntry(name.String()) : nullptr));
        }
    }
    node->Init(&parameters);
    for (const auto& [name, given] : pointers)
        node->Parameters().SetEntry(name, given->ToCValue());
    node->Execute();

    CValueMap outputPins;
    std::size_t count = node->Outputs().Size();
    if (const CValue* pins = setup.FindEntry("outputs"); pins && pins->GenericType() == GT_MAP)
        count = std::max(count, static_cast<const CValueMap*>(pins)->Size());
    value_list results;
    results.reserve(count);
    for (std::size_t pin = 0; pin < count; ++pin) {
        CValue* output = node->Outputs().Detach(static_cast<int>(pin));
        results.push_back(output ? value(output) : value());
    }
    return results;
}

} // namespace RP
