#pragma once
// Volumes in the .rek layout, plain or as a whole gzip-compressed file (.rek.gz, recognised by the
// gzip signature rather than the name). Little-endian:
//   offset  0  char[4]  "REK1"
//   offset  4  uint32   header size in bytes, at least 32 (fields beyond 32 are skipped)
//   offset  8  uint32   width
//   offset 12  uint32   height
//   offset 16  uint32   slice count
//   offset 20  uint32   bits per voxel: 8 (GREY_8), 16 (GREY_16) or 32 (float, GREY_F)
//   offset 24  uint64   offset of the voxel data from the start of the file, at least the header size
// The voxel data: slices one after another, rows top to bottom, no padding.
#include "loadernode.h"

namespace ruxokit {

class LoadREK : public loaderkit::CLoaderNode
{
public:
    static constexpr const char* kEntryName = "LoadREK";

protected:
    const char* EntryName() const override { return kEntryName; }
    KORA::CImage* Load(const std::string& path) override;
};

} // namespace ruxokit
