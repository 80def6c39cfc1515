#pragma once
// Images: one contiguous pixel buffer, rows without padding, planes one after another.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kora/value.h"

namespace KORA {

enum ImageType : int {
    IMAGE_GREY_8 = 0,    // uint8
    IMAGE_GREY_16 = 1,   // uint16
    IMAGE_RGB_8 = 2,     // 3 x uint8, in the order R, G, B
    IMAGE_GREY_F = 3,    // float
    IMAGE_COMPLEX_F = 4, // 2 x float: real, imaginary
    IMAGE_BOOL = 5,      // uint8, 0 or 1
    IMAGE_BINARY_BG = 6, // uint8, 0 or 1; a mask whose set pixels are background
    IMAGE_BINARY_FG = 7, // uint8, 0 or 1; a mask whose set pixels are foreground
};

// Bytes of one pixel; 0 for an unknown type.
KORA_API std::size_t ImagePixelSize(ImageType type) noexcept;
// "GREY_8", "GREY_16", "RGB_8", "GREY_F", "COMPLEX_F", "BOOL", "BINARY_BG", "BINARY_FG"; "unknown".
KORA_API const char* ImageTypeName(ImageType type) noexcept;
// The inverse of ImageTypeName; false for an unknown name.
KORA_API bool ImageTypeFromName(const std::string& name, ImageType& type) noexcept;
// IMAGE_BOOL, IMAGE_BINARY_BG or IMAGE_BINARY_FG.
KORA_API bool IsMaskType(ImageType type) noexcept;

// Three components: width, height, depth for a size (depth 1 for 2-D), x, y, z for an origin.
class KORA_API CSize
{
public:
    CSize() noexcept = default;
    CSize(int64_t x, int64_t y, int64_t z = 1) noexcept : m_c{x, y, z} {}

    int64_t operator[](int i) const noexcept { return m_c[i]; }
    int64_t& operator[](int i) noexcept { return m_c[i]; }
    int64_t Width() const noexcept { return m_c[0]; }
    int64_t Height() const noexcept { return m_c[1]; }
    int64_t Depth() const noexcept { return m_c[2]; }
    // Width * height * depth; 0 when any component is 0 or negative.
    int64_t Count() const noexcept;
    bool operator==(const CSize& other) const noexcept;
    bool operator!=(const CSize& other) const noexcept { return !(*this == other); }
    // "640 x 480" or "64 x 64 x 12"
    std::string ToString() const;

private:
    int64_t m_c[3] = {0, 0, 1};
};

// What a node may hold without knowing the concrete image class (an image handle).
class KORA_API IImage
{
public:
    virtual ~IImage();
    virtual ImageType Type() const = 0;
    virtual CSize Size() const = 0;
    virtual CValueMap& Attributes() = 0;
    virtual const CValueMap& Attributes() const = 0;
};

class KORA_API CImage : public IImage
{
public:
    CImage();
    // Zero-filled. CException when the size is negative or the buffer would exceed the address space.
    CImage(ImageType type, const CSize& size);
    CImage(const CImage& other);
    CImage& operator=(const CImage& other);
    ~CImage() override;

    ImageType Type() const override { return m_type; }
    CSize Size() const override { return m_size; }
    const CSize& Origin() const noexcept { return m_origin; }
    void SetOrigin(const CSize& origin) noexcept { m_origin = origin; }
    CValueMap& Attributes() override { return *m_attributes; }
    const CValueMap& Attributes() const override { return *m_attributes; }

    bool Empty() const noexcept { return m_size.Count() == 0; }
    std::size_t PixelSize() const noexcept { return ImagePixelSize(m_type); }
    std::size_t RowBytes() const noexcept;
    std::size_t PlaneBytes() const noexcept;
    std::size_t TotalBytes() const noexcept { return m_data.size(); }

    uint8_t* Data() noexcept { return m_data.data(); }
    const uint8_t* Data() const noexcept { return m_data.data(); }
    uint8_t* Plane(int64_t z) noexcept { return m_data.data() + static_cast<std::size_t>(z) * PlaneBytes(); }
    const uint8_t* Plane(int64_t z) const noexcept { return m_data.data() + static_cast<std::size_t>(z) * PlaneBytes(); }
    template <class T> T* Row(int64_t y, int64_t z = 0) noexcept
    {
        return reinterpret_cast<T*>(Plane(z) + static_cast<std::size_t>(y) * RowBytes());
    }
    template <class T> const T* Row(int64_t y, int64_t z = 0) const noexcept
    {
        return reinterpret_cast<const T*>(Plane(z) + static_cast<std::size_t>(y) * RowBytes());
    }

    // Same type, size, origin and pixel bytes (attributes are not compared).
    bool SamePixels(const CImage& other) const noexcept;

private:
    ImageType m_type = IMAGE_GREY_8;
    CSize m_size{0, 0, 1};
    CSize m_origin{0, 0, 0};
    std::vector<uint8_t> m_data;
    std::unique_ptr<CValueMap> m_attributes;
};

// The pixel size the attributes "pixel_size_x", "pixel_size_y" and, for stacks, "pixel_size_z" give
// (kora/imageio.h): "0.65 x 0.65" or "0.65 x 0.65 x 2", six significant digits each, as the float
// rationals of TIFF resolution tags hold no more. Empty without a positive "pixel_size_x"; attributes of
// another kind (an .iass file says what it likes) count as absent.
KORA_API std::string PixelSizeText(const IImage& image);
// The attribute "pixel_unit" when the image has a pixel size, else empty.
KORA_API std::string PixelUnitText(const IImage& image);

} // namespace KORA
