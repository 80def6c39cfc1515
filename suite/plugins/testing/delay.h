#pragma once
#include "passthrough.h"

namespace testing_plugin {

// Hands its input on after "ms" milliseconds; told to stop meanwhile, it ends at once without output.
class Delay : public PassThroughNode
{
public:
    static constexpr const char* kEntryName = "Delay";
    void GetPluginSetup(KORA::CValueMap& setup) override;
    void Run() override;
};

} // namespace testing_plugin
