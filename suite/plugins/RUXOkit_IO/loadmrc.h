#pragma once
// MRC2014 maps and stacks: a 1024-byte header, an extended header of NSYMBT bytes, then the data
// (sections one after another). Byte order from the machine stamp (0x11 in its first byte: big-endian,
// otherwise little-endian). Modes and the image types they give:
//   0  int8    -> GREY_F (signed, as MRC2014 defines it; the values are kept exactly)
//   1  int16   -> GREY_F (signed values do not fit GREY_16)
//   2  float32 -> GREY_F
//   6  uint16  -> GREY_16
// Other modes (complex, 4-bit, RGB) are refused. The mode goes into the attribute "mrc_mode".
#include "loadernode.h"

namespace ruxokit {

class LoadMRC : public loaderkit::CLoaderNode
{
public:
    static constexpr const char* kEntryName = "LoadMRC";

protected:
    const char* EntryName() const override { return kEntryName; }
    KORA::CImage* Load(const std::string& path) override;
};

} // namespace ruxokit
