#pragma once
#include "node.h"

namespace imgproc {

class Statistics : public CImgprocNode
{
public:
    static constexpr const char* kEntryName = "Statistics";
    void GetPluginSetup(KORA::CValueMap& setup) override;
    void Run() override;
};

} // namespace imgproc
