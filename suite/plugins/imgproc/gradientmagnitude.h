#pragma once
#include "node.h"

namespace imgproc {

class GradientMagnitude : public CImgprocNode
{
public:
    static constexpr const char* kEntryName = "GradientMagnitude";
    void GetPluginSetup(KORA::CValueMap& setup) override;
    void Run() override;
};

} // namespace imgproc
