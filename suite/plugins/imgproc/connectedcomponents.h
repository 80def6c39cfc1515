#pragma once
#include "node.h"

namespace imgproc {

class ConnectedComponents : public CImgprocNode
{
public:
    static constexpr const char* kEntryName = "ConnectedComponents";
    void GetPluginSetup(KORA::CValueMap& setup) override;
    void Run() override;
};

} // namespace imgproc
