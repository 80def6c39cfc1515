#include "loadmrc.h"

#include <memory>
#include <vector>

#include "bytesource.h"
#include "kora/exception.h"

namespace ruxokit {

using loaderkit::CByteSource;

namespace {
template <class T>
void ReadAsFloat(const CByteSource& file, uint64_t offset, bool swap, KORA::CImage& image)
{
    const std::size_t planePixels = static_cast<std::size_t>(image.Size().Width() * image.Size().Height());
    std::vector<T> plane(planePixels);
    for (int64_t z = 0; z < image.Size().Depth(); ++z) {
        file.Read(offset + static_cast<uint64_t>(z) * planePixels * sizeof(T), plane.data(), planePixels * sizeof(T), "section " + std::to_string(z));
        if (swap && sizeof(T) > 1)
            loaderkit::SwapBytes(plane.data(), planePixels, sizeof(T));
        auto* out = reinterpret_cast<float*>(image.Plane(z));
        for (std::size_t i = 0; i < planePixels; ++i)
            out[i] = static_cast<float>(plane[i]);
    }
}
} // namespace

KORA::CImage* LoadMRC::Load(const std::string& path)
{
    const CByteSource file = CByteSource::OpenFile(path);
    uint8_t header[1024];
    file.Read(0, header, sizeof header, "the 1024-byte header");
    const bool bigEndian = header[212] == 0x11;
    auto word = [&](int index) {
        const uint8_t* at = header + 4 * index;
        return static_cast<int32_t>(bigEndian ? loaderkit::Be32(at) : loaderkit::Le32(at));
    };
    const int32_t mode = word(3), extended = word(23);
    const KORA::CSize size(word(0), word(1), word(2));
    uint64_t bytesPerVoxel = 0;
    KORA::ImageType type = KORA::IMAGE_GREY_F;
    switch (mode) {
    case 0: bytesPerVoxel = 1; break;
    case 1: bytesPerVoxel = 2; break;
    case 2: bytesPerVoxel = 4; break;
    case 6: bytesPerVoxel = 2; type = KORA::IMAGE_GREY_16; break;
    default: throw KORA::CExUnimp("'" + path + "' has MRC mode " + std::to_string(mode) + "; modes 0, 1, 2 and 6 are read", path);
    }
    if (extended < 0)
        throw KORA::CExIo("'" + path + "' has a negative extended header size", path);
    const uint64_t offset = 1024 + static_cast<uint64_t>(extended);
    const uint64_t bytes = loaderkit::PixelBytes(path, size.Width(), size.Height(), size.Depth(), bytesPerVoxel);
    file.Require(offset, bytes, "the data of " + size.ToString() + " voxels");

    auto image = std::make_unique<KORA::CImage>(type, size);
    image->Attributes().SetEntry("mrc_mode", new KORA::CValueLong(mode));
    if (mode == 0)
        ReadAsFloat<int8_t>(file, offset, bigEndian, *image);
    else if (mode == 1)
        ReadAsFloat<int16_t>(file, offset, bigEndian, *image);
    else {
        file.Read(offset, image->Data(), image->TotalBytes(), "the data");
        if (bigEndian)
            loaderkit::SwapBytes(image->Data(), static_cast<std::size_t>(size.Count()), bytesPerVoxel);
    }
    return image.release();
}

} // namespace ruxokit
