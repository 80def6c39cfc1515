#include "echo.h"

namespace testing_plugin {

void Echo::GetPluginSetup(KORA::CValueMap& setup)
{
    DescribeNode(setup, kEntryName);
}

void Echo::Run()
{
    SetOutput(0, Forward());
}

} // namespace testing_plugin
