#pragma once
// Runs one plug-in node the way a graph does: created through the plug-in loader from its path,
// initialised with a parameter map, executed on an input vector.

#include "testsupport.h"

namespace plugintest {

// A parameter value of a test row.
struct Param
{
    Param(double v) : make([v] { return static_cast<KORA::CValue*>(new KORA::CValueDouble(v)); }) {}
    Param(int v) : make([v] { return static_cast<KORA::CValue*>(new KORA::CValueLong(v)); }) {}
    Param(bool v) : make([v] { return static_cast<KORA::CValue*>(new KORA::CValueBool(v)); }) {}
    Param(const char* v) : make([s = std::string(v)] { return static_cast<KORA::CValue*>(new KORA::CValueString(s)); }) {}
    Param(const std::string& v) : Param(v.c_str()) {}
    std::function<KORA::CValue*()> make;
};
using Params = std::vector<std::pair<std::string, Param>>;

inline std::unique_ptr<KORA::CPNode> MakeNode(const std::string& entry, const Params& params = {})
{
    KORA::CValueMap map;
    for (const auto& [key, value] : params)
        map.SetEntry(key, value.make());
    const std::string path = "%KORADIR%/bin/" + entry;
    std::unique_ptr<KORA::IPluginObject> object(KORA::GetPluginObject("under_test", path.c_str(), &map));
    auto* node = dynamic_cast<KORA::CPNode*>(object.get());
    if (!node)
        throw KORA::CException(path + " is not a node");
    object.release();
    return std::unique_ptr<KORA::CPNode>(node);
}

inline void SetImage(KORA::CPNode& node, int pin, const KORA::CImage& image)
{
    node.Inputs().SetEntry(pin, new KORA::CValueOwnedPointer<KORA::CImage>(new KORA::CImage(image)));
}

inline const KORA::CImage& OutputImage(const KORA::CPNode& node, std::size_t pin)
{
    return *KORA::UnwrapPointer<KORA::CImage>(node.Outputs().At(pin));
}

// Runs a node of one or two image inputs and returns it for its outputs.
inline std::unique_ptr<KORA::CPNode> RunNode(const std::string& entry, const Params& params,
                                           std::initializer_list<const KORA::CImage*> inputs)
{
    auto node = MakeNode(entry, params);
    int pin = 0;
    for (const KORA::CImage* image : inputs)
        SetImage(*node, pin++, *image);
    node->Execute();
    return node;
}

using testsupport::ErrorOf;

} // namespace plugintest
