#pragma once
#include "node.h"

namespace imgproc {

class Resize : public CImgprocNode
{
public:
    static constexpr const char* kEntryName = "Resize";
    void GetPluginSetup(KORA::CValueMap& setup) override;
    void Run() override;
};

} // namespace imgproc
