#pragma once
#include "node.h"

namespace imgproc {

class Blend : public CImgprocNode
{
public:
    static constexpr const char* kEntryName = "Blend";
    void GetPluginSetup(KORA::CValueMap& setup) override;
    void Run() override;
};

} // namespace imgproc
