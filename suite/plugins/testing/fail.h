#pragma once
#include "passthrough.h"

namespace testing_plugin {

// Always throws its "message", with the node's name as the source.
class Fail : public PassThroughNode
{
public:
    static constexpr const char* kEntryName = "Fail";
    void GetPluginSetup(KORA::CValueMap& setup) override;
    void Run() override;
};

} // namespace testing_plugin
