// The plain-PNG codec: any file either decodes or is left to OpenCV (false); what decodes encodes again and
// decodes back to the same samples.
#include <cstdlib>
#include <cstring>
#include <vector>

#include <zlib.h>

#include "pngcodec.h"
#include "tempfile.h"

namespace {

std::uint32_t Get32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

// A mutated chunk almost always fails its CRC, and libpng stops there; with the CRCs made right the
// mutations reach the header checks, the filters and the inflating.
void FixCrcs(std::vector<std::uint8_t>& bytes)
{
    std::size_t at = 8;
    while (at + 12 <= bytes.size()) {
        const std::uint32_t length = Get32(&bytes[at]);
        if (length > bytes.size() - at - 12)
            return;
        const std::uint8_t* chunk = &bytes[at + 4];
        const auto crc = static_cast<std::uint32_t>(crc32(crc32(0, nullptr, 0), chunk, length + 4));
        std::uint8_t* out = &bytes[at + 8 + length];
        out[0] = std::uint8_t(crc >> 24);
        out[1] = std::uint8_t(crc >> 16);
        out[2] = std::uint8_t(crc >> 8);
        out[3] = std::uint8_t(crc);
        at += 12 + length;
    }
}

bool SameSamples(const cv::Mat& a, const cv::Mat& b)
{
    if (a.type() != b.type() || a.size() != b.size())
        return false;
    const std::size_t row = a.elemSize() * static_cast<std::size_t>(a.cols);
    for (int y = 0; y < a.rows; ++y)
        if (std::memcmp(a.ptr(y), b.ptr(y), row) != 0)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::uint8_t> bytes(data, data + size);
    FixCrcs(bytes);
    const std::string path = fuzz::WriteTemp(bytes.data(), bytes.size(), "in.png");
    cv::Mat image;
    if (path.empty() || !KORA::detail::ReadPlainPng(path, image))
        return 0;
    std::vector<unsigned char> encoded;
    // 16-bit colour is read but never written this way.
    if (!KORA::detail::EncodePlainPng(image, 1, encoded))
        return image.type() == CV_16UC3 ? 0 : (std::abort(), 0);
    const std::string again = fuzz::WriteTemp(encoded.data(), encoded.size(), "out.png");
    cv::Mat back;
    if (again.empty() || !KORA::detail::ReadPlainPng(again, back) || !SameSamples(image, back))
        std::abort();
    return 0;
}
