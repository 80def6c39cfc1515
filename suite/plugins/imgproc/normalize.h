#pragma once
#include "node.h"

namespace imgproc {

class Normalize : public CImgprocNode
{
public:
    static constexpr const char* kEntryName = "Normalize";
    void GetPluginSetup(KORA::CValueMap& setup) override;
    void Run() override;
};

} // namespace imgproc
