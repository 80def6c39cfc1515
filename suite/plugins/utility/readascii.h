#pragma once
// Text images (.txt, .asc, .csv) as a GREY_F image: one row per line, numbers separated by white space,
// commas or semicolons. Empty lines and lines holding "#" anywhere are skipped. Every row must have as
// many numbers as the first; anything that is not a number is an error naming the file and the line.
#include "loadernode.h"

namespace utility {

class ReadASCII : public loaderkit::CLoaderNode
{
protected:
    const char* EntryName() const override { return "ReadASCII"; }
    KORA::CImage* Load(const std::string& path) override;
};

} // namespace utility
