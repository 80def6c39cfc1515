#pragma once
#include "node.h"

namespace imgproc {

class ConvertType : public CImgprocNode
{
public:
    static constexpr const char* kEntryName = "ConvertType";
    void GetPluginSetup(KORA::CValueMap& setup) override;
    void Run() override;
};

} // namespace imgproc
