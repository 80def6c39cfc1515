#pragma once
// Text images (.txt, .asc, .csv) as a GREY_F image, read by the base library's text-image reader, so that
// a file gives the same pixels here as anywhere else: numbers separated by blanks (in a .csv also by
// commas and semicolons), a row cut at the first text that is not a number (said in the "warning"
// attribute), every row as long as the first.
#include "loadernode.h"

namespace utility {

class ReadASCII : public loaderkit::CLoaderNode
{
public:
    static constexpr const char* kEntryName = "ReadASCII";

protected:
    const char* EntryName() const override { return kEntryName; }
    KORA::CImage* Load(const std::string& path) override;
};

} // namespace utility
