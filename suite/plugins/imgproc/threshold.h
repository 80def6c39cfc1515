#pragma once
#include "node.h"

namespace imgproc {

class Threshold : public CImgprocNode
{
public:
    static constexpr const char* kEntryName = "Threshold";
    void GetPluginSetup(KORA::CValueMap& setup) override;
    void Run() override;
};

} // namespace imgproc
