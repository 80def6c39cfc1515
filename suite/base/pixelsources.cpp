#include "pixelsources.h"

#include "imagedecoders.h"

#include <stb_image.h>

#include <opencv2/imgproc.hpp>

#include <cstdint>
#include <cstring>
#include <memory>

#include "kora/exception.h"
#include "opencvcodecs.h"

namespace KORA {
namespace PixelSources {

namespace {

// A claim beyond this many pixels is refused before anything is allocated (4 bytes each while decoding).
constexpr int64_t kMaxPixels = int64_t(1) << 28;

uint32_t Le(const std::string& bytes, std::size_t at, int size)
{
    uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return value;
}

void PutLe32(std::string& bytes, std::size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xff);
}

// stb gives every GIF an alpha channel; one that hides nothing is not worth a warning about dropping it.
cv::Mat ToOpenCvOrder(const cv::Mat& decoded)
{
    const int channels = decoded.channels();
    bool opaque = false;
    if (channels == 2 || channels == 4) {
        cv::Mat alpha;
        cv::extractChannel(decoded, alpha, channels - 1);
        double lowest = 0;
        cv::minMaxLoc(alpha, &lowest);
        opaque = lowest == 255;
    }
    cv::Mat out;
    if (channels == 2 && opaque)
        cv::extractChannel(decoded, out, 0);
    else if (channels == 3 || (channels == 4 && opaque))
        cv::cvtColor(decoded, out, channels == 3 ? cv::COLOR_RGB2BGR : cv::COLOR_RGBA2BGR);
    else if (channels == 4)
        cv::cvtColor(decoded, out, cv::COLOR_RGBA2BGRA);
    else
        out = decoded.clone();
    return out;
}

struct StEntry
{
    uint32_t width, height, bits, size, offset;
};

// The entry with the most pixels, then the most bits per pixel: what a viewer would show.
StEntry LargestEntry(const std::string& bytes, const std::string& path)
{
    if (bytes.size() < 6 || Le(bytes, 0, 2) != 0 || (Le(bytes, 2, 2) != 1 && Le(bytes, 2, 2) != 2))
        throw CExIo("not an ICO file (no icon directory)", path);
    const uint32_t count = Le(bytes, 4, 2);
    if (count == 0)
        throw CExIo("the icon directory is empty", path);
    if (bytes.size() < 6 + 16 * std::size_t(count))
        throw CExIo("the icon directory of " + std::to_string(count) + " entries is truncated", path);
    StEntry best{0, 0, 0, 0, 0};
    for (uint32_t i = 0; i < count; ++i) {
        const std::size_t at = 6 + 16 * std::size_t(i);
        const StEntry entry{Le(bytes, at, 1) ? Le(bytes, at, 1) : 256, Le(bytes, at + 1, 1) ? Le(bytes, at + 1, 1) : 256,
                            Le(bytes, at + 6, 2), Le(bytes, at + 8, 4), Le(bytes, at + 12, 4)};
        if (uint64_t(entry.offset) + entry.size > bytes.size() || entry.size < 8)
            throw CExIo("icon entry " + std::to_string(i + 1) + " lies outside the file", path);
        const uint64_t area = uint64_t(entry.width) * entry.height, bestArea = uint64_t(best.width) * best.height;
        if (area > bestArea || (area == bestArea && entry.bits > best.bits))
            best = entry;
    }
    return best;
}

// An entry without its file header: a BMP info header whose height counts the colour rows and the
// transparency mask below them. The file header OpenCV wants is put in front and the height halved.
std::string BmpFileOfEntry(const std::string& entry, const std::string& path)
{
    const uint32_t headerSize = Le(entry, 0, 4);
    if (entry.size() < 40 || headerSize < 40 || headerSize > entry.size())
        throw CExIo("an icon entry is neither PNG nor BMP", path);
    const uint32_t bits = Le(entry, 14, 2), used = Le(entry, 32, 4);
    const uint64_t palette = 4 * uint64_t(used ? used : bits <= 8 ? 1u << bits : 0);
    if (headerSize + palette > entry.size())
        throw CExIo("an icon entry's palette lies outside it", path);
    std::string file = "BM" + std::string(12, '\0') + entry;
    PutLe32(file, 2, static_cast<uint32_t>(file.size()));
    PutLe32(file, 10, static_cast<uint32_t>(14 + headerSize + palette));
    PutLe32(file, 14 + 8, static_cast<uint32_t>(static_cast<int32_t>(Le(entry, 8, 4)) / 2));
    return file;
}

} // namespace

cv::Mat DecodeWithStb(const std::string& bytes, const std::string& path, const char* formatName)
{
    const auto* data = reinterpret_cast<const stbi_uc*>(bytes.data());
    const int length = static_cast<int>(std::min<std::size_t>(bytes.size(), INT32_MAX));
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(data, length, &width, &height, &channels))
        throw CExIo(std::string("cannot decode the ") + formatName + " file: " + stbi_failure_reason(), path);
    if (int64_t(width) * height > kMaxPixels)
        throw CExIo(std::string("the ") + formatName + " file claims " + std::to_string(width) + " x " +
                        std::to_string(height) + " pixels, too large",
                    path);
    std::unique_ptr<stbi_uc, void (*)(void*)> pixels(stbi_load_from_memory(data, length, &width, &height, &channels, 0),
                                                     stbi_image_free);
    if (!pixels)
        throw CExIo(std::string("cannot decode the ") + formatName + " file: " + stbi_failure_reason(), path);
    return ToOpenCvOrder(cv::Mat(height, width, CV_8UC(channels), pixels.get()));
}

cv::Mat DecodeTga(const std::string& bytes, const std::string& path)
{
    // stb reads past the end of an uncompressed TGA as zeros; a short file must fail instead.
    const uint32_t type = bytes.size() >= 18 ? Le(bytes, 2, 1) : 0;
    if (type >= 1 && type <= 3) {
        const uint64_t palette = uint64_t(Le(bytes, 5, 2)) * ((Le(bytes, 7, 1) + 7) / 8);
        const uint64_t pixels = uint64_t(Le(bytes, 12, 2)) * Le(bytes, 14, 2) * ((Le(bytes, 16, 1) + 7) / 8);
        const uint64_t expected = 18 + Le(bytes, 0, 1) + palette + pixels;
        if (bytes.size() < expected)
            throw CExIo("the TGA file is truncated: " + std::to_string(bytes.size()) + " bytes of " +
                            std::to_string(expected),
                        path);
    }
    return DecodeWithStb(bytes, path, "TGA");
}

cv::Mat DecodeIco(const std::string& bytes, const std::string& path)
{
    const StEntry chosen = LargestEntry(bytes, path);
    const std::string entry = bytes.substr(chosen.offset, chosen.size);
    const bool png = entry.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0;
    const std::string file = png ? entry : BmpFileOfEntry(entry, path);
    cv::Mat mat;
    try {
        mat = detail::Codecs().decode(cv::Mat(1, static_cast<int>(file.size()), CV_8UC1, const_cast<char*>(file.data())));
    } catch (const cv::Exception& e) {
        throw CExIo(std::string("cannot decode the icon's ") + (png ? "PNG" : "BMP") + " entry: " + e.err, path);
    }
    if (mat.empty())
        throw CExIo(std::string("cannot decode the icon's ") + (png ? "PNG" : "BMP") + " entry (corrupt or truncated)",
                    path);
    return mat;
}

} // namespace PixelSources

KORA_IMAGE_DECODER("GIF", [](const std::string& bytes, const std::string& path) {
    return PixelSources::DecodeWithStb(bytes, path, "GIF");
});
KORA_IMAGE_DECODER("TGA", PixelSources::DecodeTga);
KORA_IMAGE_DECODER("ICO", PixelSources::DecodeIco);

} // namespace KORA
