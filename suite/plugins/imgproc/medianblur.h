#pragma once
#include "node.h"

namespace imgproc {

class MedianBlur : public CImgprocNode
{
public:
    static constexpr const char* kEntryName = "MedianBlur";
    void GetPluginSetup(KORA::CValueMap& setup) override;
    void Run() override;
};

} // namespace imgproc
