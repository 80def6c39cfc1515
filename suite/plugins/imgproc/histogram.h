#pragma once
#include "node.h"

namespace imgproc {

class Histogram : public CImgprocNode
{
public:
    static constexpr const char* kEntryName = "Histogram";
    void GetPluginSetup(KORA::CValueMap& setup) override;
    void Run() override;
};

} // namespace imgproc
