#pragma once
#include "passthrough.h"

namespace testing_plugin {

// Hands its input on unchanged.
class Echo : public PassThroughNode
{
public:
    static constexpr const char* kEntryName = "Echo";
    void GetPluginSetup(KORA::CValueMap& setup) override;
    void Run() override;
};

} // namespace testing_plugin
