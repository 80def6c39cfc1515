#pragma once
#include "node.h"

namespace imgproc {

class Crop : public CImgprocNode
{
public:
    static constexpr const char* kEntryName = "Crop";
    void GetPluginSetup(KORA::CValueMap& setup) override;
    void Run() override;
};

} // namespace imgproc
