#pragma once
// AVS field files (.fld), the subset of uniform scalar fields:
//   # AVS ...                      first line
//   ndim=3                         1, 2 or 3
//   dim1=64  dim2=64  dim3=10      width, height, slices (missing dimensions are 1)
//   nspace=3                       optional; must equal ndim
//   veclen=1                       optional; only 1
//   data=byte                      byte (GREY_8), short (signed, GREY_F), float (GREY_F), or
//                                  xdr_short / xdr_float for their big-endian forms
//   field=uniform                  optional; only uniform
//   variable 1 file=vol.raw filetype=binary skip=0
//                                  optional: the data lies in that file (relative to the .fld's folder,
//                                  absolute paths and ".." refused), after skip bytes
// Without a "variable ... file=" line the data follows the header inside the file, right after two
// form-feed characters. "#" starts a comment; several key=value pairs may share a line.
#include "loadernode.h"

namespace ruxokit {

class LoadAVS : public loaderkit::CLoaderNode
{
public:
    static constexpr const char* kEntryName = "LoadAVS";

protected:
    const char* EntryName() const override { return kEntryName; }
    KORA::CImage* Load(const std::string& path) override;
};

} // namespace ruxokit
