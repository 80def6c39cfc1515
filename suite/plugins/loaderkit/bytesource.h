#pragma once
// The bytes of a file for the loaders, with every read checked against the file's real size, so that a
// header claiming more data than the file holds is refused before anything is allocated for it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

// Pixel data is read straight into images, in the host's byte order.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the loaders assume a little-endian host");

namespace loaderkit {

class CByteSource
{
public:
    // CExIo naming the file when it cannot be opened.
    static CByteSource OpenFile(const std::string& path);
    // The whole decompressed content of a gzip file in memory (it grows only as real data arrives);
    // CExIo for a damaged or truncated stream, and for one that holds more than limit bytes: inflating
    // stops there, so that a small file of zeros cannot claim gigabytes.
    static CByteSource Gunzip(const std::string& path, uint64_t limit = UINT64_MAX);
    // Only the first length bytes (fewer when the stream is shorter), for checking a header before the
    // whole file is inflated; the stream's end and checksum are not looked at.
    static CByteSource GunzipHead(const std::string& path, std::size_t length);

    const std::string& Path() const noexcept { return m_path; }
    uint64_t Size() const noexcept { return m_size; }

    // CExIo naming the file unless [offset, offset + length) lies inside it; what says what the bytes are.
    void Require(uint64_t offset, uint64_t length, const std::string& what) const;
    // Require, then copies the bytes.
    void Read(uint64_t offset, void* target, std::size_t length, const std::string& what) const;

private:
    struct FileCloser
    {
        void operator()(std::FILE* file) const noexcept { std::fclose(file); }
    };

    std::string m_path;
    uint64_t m_size = 0;
    std::unique_ptr<std::FILE, FileCloser> m_file;
    std::vector<uint8_t> m_memory;
};

// Little- and big-endian fields of a header.
uint16_t Le16(const uint8_t* bytes) noexcept;
uint32_t Le32(const uint8_t* bytes) noexcept;
uint64_t Le64(const uint8_t* bytes) noexcept;
uint32_t Be32(const uint8_t* bytes) noexcept;

// width * height * depth * bytesPerPixel, refusing a zero, negative or overflowing size with a CExIo
// naming the file.
uint64_t PixelBytes(const std::string& path, int64_t width, int64_t height, int64_t depth, uint64_t bytesPerPixel);

// Reverses the byte order of count elements of size bytes each, in place.
void SwapBytes(void* data, std::size_t count, std::size_t size) noexcept;

} // namespace loaderkit
