#include "loadrek.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "bytesource.h"
#include "kora/exception.h"

namespace ruxokit {

static bool IsGzip(const std::string& path)
{
    unsigned char magic[2] = {0, 0};
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    const bool gzip = std::fread(magic, 1, 2, file) == 2 && magic[0] == 0x1f && magic[1] == 0x8b;
    std::fclose(file);
    return gzip;
}

KORA::CImage* LoadREK::Load(const std::string& path)
{
    using namespace loaderkit;
    const bool gzip = IsGzip(path);
    // A compressed volume is inflated only once its header is known good, and no further than it promises.
    const CByteSource head = gzip ? CByteSource::GunzipHead(path, 32) : CByteSource::OpenFile(path);
    uint8_t header[32];
    head.Read(0, header, sizeof header, "the header");
    if (std::memcmp(header, "REK1", 4) != 0)
        throw KORA::CExIo("'" + path + "' is not a REK volume (no REK1 signature)", path);
    const uint32_t headerSize = Le32(header + 4), bits = Le32(header + 20);
    const uint64_t dataOffset = Le64(header + 24);
    if (headerSize < sizeof header || dataOffset < headerSize)
        throw KORA::CExIo("'" + path + "' has a damaged header (header size " + std::to_string(headerSize) +
                              ", data offset " + std::to_string(dataOffset) + ")",
                          path);
    KORA::ImageType type = KORA::IMAGE_GREY_8;
    if (bits == 16)
        type = KORA::IMAGE_GREY_16;
    else if (bits == 32)
        type = KORA::IMAGE_GREY_F;
    else if (bits != 8)
        throw KORA::CExUnimp("'" + path + "' has " + std::to_string(bits) + " bits per voxel; 8, 16 or 32 are read", path);
    const KORA::CSize size(Le32(header + 8), Le32(header + 12), Le32(header + 16));
    const uint64_t bytes = PixelBytes(path, size.Width(), size.Height(), size.Depth(), bits / 8);
    uint64_t end = 0;
    if (__builtin_add_overflow(dataOffset, bytes, &end))
        throw KORA::CExIo("'" + path + "' gives a data offset and size beyond any file", path);
    const CByteSource file = gzip ? CByteSource::Gunzip(path, end) : CByteSource::OpenFile(path);
    file.Require(dataOffset, bytes, "the voxel data of " + size.ToString());

    auto image = std::make_unique<KORA::CImage>(type, size);
    file.Read(dataOffset, image->Data(), image->TotalBytes(), "the voxel data");
    return image.release();
}

} // namespace ruxokit
