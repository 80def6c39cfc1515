#pragma once
#include "node.h"

namespace imgproc {

class Centroids : public CImgprocNode
{
public:
    static constexpr const char* kEntryName = "Centroids";
    void GetPluginSetup(KORA::CValueMap& setup) override;
    void Run() override;
};

} // namespace imgproc
