#pragma once
#include "node.h"

namespace imgproc {

class Subtract : public CImgprocNode
{
public:
    static constexpr const char* kEntryName = "Subtract";
    void GetPluginSetup(KORA::CValueMap& setup) override;
    void Run() override;
};

} // namespace imgproc
