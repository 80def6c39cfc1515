#include "fail.h"

namespace testing_plugin {

using namespace KORA;

void Fail::GetPluginSetup(CValueMap& setup)
{
    DescribeNode(setup, kEntryName);
    setup.SetEntry("parameters/message", new CValueString("failure requested"));
}

void Fail::Run()
{
    throw CException(Parameters().EntryString("message", "failure requested"), InstanceName());
}

} // namespace testing_plugin
