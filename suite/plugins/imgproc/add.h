#pragma once
#include "node.h"

namespace imgproc {

class Add : public CImgprocNode
{
public:
    static constexpr const char* kEntryName = "Add";
    void GetPluginSetup(KORA::CValueMap& setup) override;
    void Run() override;
};

} // namespace imgproc
