#pragma once
#include "kora/kora.h"

namespace testing_plugin {

// Shared by the nodes that hand their input on: the input travels as another handle to the same value;
// with no input connected, the "value" parameter is handed on instead (that is how a plug-in runner, which
// sets parameters only, gets a value through).
class PassThroughNode : public KORA::CPNode
{
protected:
    // The setup common to the testing nodes: one input "in", one output "out".
    void DescribeNode(KORA::CValueMap& setup, const char* name) const;
    // The value to hand on; CException naming the node when there is neither input nor "value".
    KORA::CValue* Forward();
};

} // namespace testing_plugin
