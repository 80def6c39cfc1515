#include "passthrough.h"

namespace testing_plugin {

using namespace KORA;

void PassThroughNode::DescribeNode(CValueMap& setup, const char* name) const
{
    setup.Clear();
    setup.SetEntry("pluginType", new CValueString("Generic"));
    setup.SetEntry("subType", new CValueString("Testing"));
    setup.SetEntry("name", new CValueString(std::string("testing::") + name));
    setup.SetEntry("inputs/in", new CValueString("any"));
    setup.SetEntry("outputs/out", new CValueString("any"));
    setup.SetEntry("parameters", new CValueMap());
}

CValue* PassThroughNode::Forward()
{
    if (CValue* input = Inputs().At(0)) {
        if (auto* handle = dynamic_cast<CValueSmart*>(input))
            return handle->CloneValueSmart();
        return input->Clone(COPY_SHARE_POINTER);
    }
    if (CValue* given = Parameters().FindEntry("value"))
        return given->Clone(COPY_MOVE_OWNERSHIP);
    Input(0); // throws, naming the node and the pin
    return nullptr;
}

} // namespace testing_plugin
