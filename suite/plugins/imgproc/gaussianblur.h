#pragma once
#include "node.h"

namespace imgproc {

class GaussianBlur : public CImgprocNode
{
public:
    static constexpr const char* kEntryName = "GaussianBlur";
    void GetPluginSetup(KORA::CValueMap& setup) override;
    void Run() override;
};

} // namespace imgproc
