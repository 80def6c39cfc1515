#pragma once
// Uncompressed recordings (.cine) as a 3-D image, one plane per frame: GREY_8 or GREY_16.
//
// The file layout, little-endian:
//   offset  0  char[4]  "CINE"
//   offset  4  uint32   header size in bytes, at least 40 (fields beyond 40 are skipped)
//   offset  8  uint32   width
//   offset 12  uint32   height
//   offset 16  uint32   frame count
//   offset 20  uint32   bits per pixel: 8 or 16
//   offset 24  uint32   compression: 0 = none (anything else is refused)
//   offset 28  uint32   reserved
//   offset 32  uint64   offset of the pixel data from the start of the file, at least the header size
// The pixel data: frames one after another, rows top to bottom, no padding, 16-bit pixels little-endian.
#include "loadernode.h"

namespace loaderkit {

class ReadCine : public CLoaderNode
{
public:
    static constexpr const char* kEntryName = "ReadCine";

protected:
    const char* EntryName() const override { return kEntryName; }
    KORA::CImage* Load(const std::string& path) override;
};

} // namespace loaderkit
