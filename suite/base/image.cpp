#include "kora/image.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace KORA {

namespace {

struct StTypeInfo
{
    ImageType type;
    const char* name;
    std::size_t pixelSize;
};

constexpr StTypeInfo kTypes[] = {
    {IMAGE_GREY_8, "GREY_8", 1},       {IMAGE_GREY_16, "GREY_16", 2}, {IMAGE_RGB_8, "RGB_8", 3},
    {IMAGE_GREY_F, "GREY_F", 4},       {IMAGE_COMPLEX_F, "COMPLEX_F", 8}, {IMAGE_BOOL, "BOOL", 1},
    {IMAGE_BINARY_BG, "BINARY_BG", 1}, {IMAGE_BINARY_FG, "BINARY_FG", 1},
};

const StTypeInfo* FindType(ImageType type) noexcept
{
    for (const StTypeInfo& info : kTypes)
        if (info.type == type)
            return &info;
    return nullptr;
}

// Far beyond any image this suite handles, and small enough that a corrupt size fails here instead of
// inside the allocator.
constexpr uint64_t kMaxImageBytes = uint64_t(1) << 40;

// 0 unless the attribute is a positive finite number.
double PositiveAttribute(const CValueMap& attributes, const char* name)
{
    if (!attributes.HasEntry(name, GT_DOUBLE) && !attributes.HasEntry(name, GT_LONG))
        return 0;
    const double value = attributes.EntryDouble(name);
    return value > 0 && std::isfinite(value) ? value : 0;
}

std::string SizeNumber(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

} // namespace

std::size_t ImagePixelSize(ImageType type) noexcept
{
    const StTypeInfo* info = FindType(type);
    return info ? info->pixelSize : 0;
}

const char* ImageTypeName(ImageType type) noexcept
{
    const StTypeInfo* info = FindType(type);
    return info ? info->name : "unknown";
}

bool ImageTypeFromName(const std::string& name, ImageType& type) noexcept
{
    for (const StTypeInfo& info : kTypes)
        if (name == info.name) {
            type = info.type;
            return true;
        }
    return false;
}

bool IsMaskType(ImageType type) noexcept
{
    return type == IMAGE_BOOL || type == IMAGE_BINARY_BG || type == IMAGE_BINARY_FG;
}

int64_t CSize::Count() const noexcept
{
    if (m_c[0] <= 0 || m_c[1] <= 0 || m_c[2] <= 0)
        return 0;
    int64_t count = 0;
    if (__builtin_mul_overflow(m_c[0], m_c[1], &count) || __builtin_mul_overflow(count, m_c[2], &count))
        return std::numeric_limits<int64_t>::max();
    return count;
}

bool CSize::operator==(const CSize& other) const noexcept
{
    return m_c[0] == other.m_c[0] && m_c[1] == other.m_c[1] && m_c[2] == other.m_c[2];
}

std::string CSize::ToString() const
{
    std::string text = std::to_string(m_c[0]) + " x " + std::to_string(m_c[1]);
    if (m_c[2] != 1)
        text += " x " + std::to_string(m_c[2]);
    return text;
}

IImage::~IImage() = default;

CImage::CImage() : m_attributes(std::make_unique<CValueMap>()) {}

CImage::CImage(ImageType type, const CSize& size)
    : m_type(type), m_size(size), m_attributes(std::make_unique<CValueMap>())
{
    const std::size_t pixelSize = ImagePixelSize(type);
    if (pixelSize == 0)
        throw CException("unknown image type " + std::to_string(static_cast<int>(type)), "CImage");
    if (size[0] < 0 || size[1] < 0 || size[2] < 0)
        throw CException("negative image size " + size.ToString(), "CImage");
    uint64_t bytes = pixelSize;
    for (int i = 0; i < 3; ++i)
        if (__builtin_mul_overflow(bytes, static_cast<uint64_t>(size[i]), &bytes) || bytes > kMaxImageBytes)
            throw CException("image of " + size.ToString() + " " + ImageTypeName(type) + " pixels is too large",
                             "CImage");
    if (bytes > std::numeric_limits<std::size_t>::max())
        throw CException("image of " + size.ToString() + " is too large for this machine", "CImage");
    m_data.assign(static_cast<std::size_t>(bytes), 0);
}

CImage::CImage(const CImage& other)
    : m_type(other.m_type), m_size(other.m_size), m_origin(other.m_origin), m_data(other.m_data),
      m_attributes(static_cast<CValueMap*>(other.m_attributes->Clone()))
{
}

CImage& CImage::operator=(const CImage& other)
{
    if (this != &other) {
        // Clone first: if the attributes refuse to be copied, this image stays as it was.
        std::unique_ptr<CValueMap> attributes(static_cast<CValueMap*>(other.m_attributes->Clone()));
        m_data = other.m_data;
        m_type = other.m_type;
        m_size = other.m_size;
        m_origin = other.m_origin;
        m_attributes = std::move(attributes);
    }
    return *this;
}

CImage::~CImage() = default;

std::size_t CImage::RowBytes() const noexcept
{
    return m_size[0] > 0 ? static_cast<std::size_t>(m_size[0]) * PixelSize() : 0;
}

std::size_t CImage::PlaneBytes() const noexcept
{
    return m_size[1] > 0 ? RowBytes() * static_cast<std::size_t>(m_size[1]) : 0;
}

bool CImage::SamePixels(const CImage& other) const noexcept
{
    return m_type == other.m_type && m_size == other.m_size && m_origin == other.m_origin &&
           m_data.size() == other.m_data.size() &&
           (m_data.empty() || std::memcmp(m_data.data(), other.m_data.data(), m_data.size()) == 0);
}

std::string PixelSizeText(const IImage& image)
{
    const CValueMap& attributes = image.Attributes();
    const double x = PositiveAttribute(attributes, "pixel_size_x");
    if (x == 0)
        return std::string();
    const double y = PositiveAttribute(attributes, "pixel_size_y");
    std::string text = SizeNumber(x) + " x " + SizeNumber(y > 0 ? y : x);
    const double z = image.Size().Depth() > 1 ? PositiveAttribute(attributes, "pixel_size_z") : 0;
    if (z > 0)
        text += " x " + SizeNumber(z);
    return text;
}

std::string PixelUnitText(const IImage& image)
{
    const CValueMap& attributes = image.Attributes();
    if (PixelSizeText(image).empty() || !attributes.HasEntry("pixel_unit", GT_STRING))
        return std::string();
    return attributes.EntryString("pixel_unit");
}

} // namespace KORA
