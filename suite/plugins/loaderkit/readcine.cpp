#include "readcine.h"

#include <cstring>
#include <memory>

#include "bytesource.h"
#include "kora/exception.h"

namespace loaderkit {

KORA::CImage* ReadCine::Load(const std::string& path)
{
    const CByteSource file = CByteSource::OpenFile(path);
    uint8_t header[40];
    file.Read(0, header, sizeof header, "the header");
    if (std::memcmp(header, "CINE", 4) != 0)
        throw KORA::CExIo("'" + path + "' is not a recording (no CINE signature)", path);
    const uint32_t headerSize = Le32(header + 4), bits = Le32(header + 20), compression = Le32(header + 24);
    const uint64_t dataOffset = Le64(header + 32);
    if (headerSize < sizeof header || dataOffset < headerSize)
        throw KORA::CExIo("'" + path + "' has a damaged header (header size " + std::to_string(headerSize) +
                              ", data offset " + std::to_string(dataOffset) + ")",
                          path);
    if (compression != 0)
        throw KORA::CExUnimp("'" + path + "' is compressed (method " + std::to_string(compression) +
                                 "); only uncompressed recordings are read",
                             path);
    if (bits != 8 && bits != 16)
        throw KORA::CExUnimp("'" + path + "' has " + std::to_string(bits) + " bits per pixel; 8 or 16 are read", path);
    const KORA::CSize size(Le32(header + 8), Le32(header + 12), Le32(header + 16));
    const uint64_t bytes = PixelBytes(path, size.Width(), size.Height(), size.Depth(), bits / 8);
    file.Require(dataOffset, bytes, "the pixel data of " + size.ToString() + " frames");

    auto image = std::make_unique<KORA::CImage>(bits == 8 ? KORA::IMAGE_GREY_8 : KORA::IMAGE_GREY_16, size);
    file.Read(dataOffset, image->Data(), image->TotalBytes(), "the pixel data");
    return image.release();
}

} // namespace loaderkit
