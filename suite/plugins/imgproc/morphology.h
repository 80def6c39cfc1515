#pragma once
#include "node.h"

namespace imgproc {

class Morphology : public CImgprocNode
{
public:
    static constexpr const char* kEntryName = "Morphology";
    void GetPluginSetup(KORA::CValueMap& setup) override;
    void Run() override;
};

} // namespace imgproc
