#pragma once
#include "node.h"

namespace imgproc {

class Invert : public CImgprocNode
{
public:
    static constexpr const char* kEntryName = "Invert";
    void GetPluginSetup(KORA::CValueMap& setup) override;
    void Run() override;
};

} // namespace imgproc
