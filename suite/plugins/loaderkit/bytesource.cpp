#include "bytesource.h"

#include <algorithm>
#include <cstring>

#include <zlib.h>

#include "kora/exception.h"

namespace loaderkit {

CByteSource CByteSource::OpenFile(const std::string& path)
{
    CByteSource source;
    source.m_path = path;
    source.m_file.reset(std::fopen(path.c_str(), "rb"));
    if (!source.m_file)
        throw KORA::CExIo("cannot open '" + path + "': " + std::strerror(errno), path);
    if (fseeko(source.m_file.get(), 0, SEEK_END) != 0)
        throw KORA::CExIo("cannot find the size of '" + path + "'", path);
    const off_t end = ftello(source.m_file.get());
    if (end < 0)
        throw KORA::CExIo("cannot find the size of '" + path + "' (is it a directory?)", path);
    source.m_size = static_cast<uint64_t>(end);
    return source;
}

namespace {

struct GzCloser
{
    void operator()(gzFile_s* file) const noexcept { gzclose(file); }
};
using GzFile = std::unique_ptr<gzFile_s, GzCloser>;

GzFile OpenGzip(const std::string& path)
{
    GzFile file(gzopen(path.c_str(), "rb"));
    if (!file)
        throw KORA::CExIo("cannot open '" + path + "': " + std::strerror(errno), path);
    return file;
}

// Appends up to want bytes; false at the end of the stream.
bool Inflate(gzFile file, std::vector<uint8_t>& memory, uint64_t want, const std::string& path)
{
    std::vector<uint8_t> chunk(static_cast<std::size_t>(std::min<uint64_t>(want, 1 << 20)));
    while (want > 0) {
        const unsigned part = static_cast<unsigned>(std::min<uint64_t>(want, chunk.size()));
        const int got = gzread(file, chunk.data(), part);
        if (got < 0) {
            int code = 0;
            throw KORA::CExIo("damaged compressed file '" + path + "': " + gzerror(file, &code), path);
        }
        if (got == 0)
            return false;
        memory.insert(memory.end(), chunk.begin(), chunk.begin() + got);
        want -= static_cast<uint64_t>(got);
    }
    return true;
}

} // namespace

CByteSource CByteSource::Gunzip(const std::string& path, uint64_t limit)
{
    CByteSource source;
    source.m_path = path;
    GzFile file = OpenGzip(path);
    // One byte past the limit tells a stream that holds more from one that ends there.
    const uint64_t want = limit == UINT64_MAX ? limit : limit + 1;
    while (Inflate(file.get(), source.m_memory, std::min<uint64_t>(want - source.m_memory.size(), 1 << 20), path))
        if (source.m_memory.size() > limit)
            throw KORA::CExIo("'" + path + "' holds more data than its header promises (" + std::to_string(limit) +
                                  " bytes)",
                              path);
    int code = Z_OK;
    const std::string message = gzerror(file.get(), &code);
    if (code != Z_OK)
        throw KORA::CExIo("truncated or damaged compressed file '" + path + "': " + message, path);
    source.m_size = source.m_memory.size();
    return source;
}

CByteSource CByteSource::GunzipHead(const std::string& path, std::size_t length)
{
    CByteSource source;
    source.m_path = path;
    GzFile file = OpenGzip(path);
    Inflate(file.get(), source.m_memory, length, path);
    source.m_size = source.m_memory.size();
    return source;
}

void CByteSource::Require(uint64_t offset, uint64_t length, const std::string& what) const
{
    if (offset > m_size || length > m_size - offset)
        throw KORA::CExIo("'" + m_path + "' is too short: " + what + " needs " + std::to_string(length) +
                              " bytes at offset " + std::to_string(offset) + " but the file holds " +
                              std::to_string(m_size) + " bytes",
                          m_path);
}

void CByteSource::Read(uint64_t offset, void* target, std::size_t length, const std::string& what) const
{
    Require(offset, length, what);
    if (!m_file) {
        std::memcpy(target, m_memory.data() + offset, length);
        return;
    }
    if (fseeko(m_file.get(), static_cast<off_t>(offset), SEEK_SET) != 0 ||
        std::fread(target, 1, length, m_file.get()) != length)
        throw KORA::CExIo("cannot read " + what + " from '" + m_path + "'", m_path);
}

uint16_t Le16(const uint8_t* b) noexcept
{
    return static_cast<uint16_t>(b[0] | (b[1] << 8));
}

uint32_t Le32(const uint8_t* b) noexcept
{
    return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) | (static_cast<uint32_t>(b[2]) << 16) |
           (static_cast<uint32_t>(b[3]) << 24);
}

uint64_t Le64(const uint8_t* b) noexcept
{
    return static_cast<uint64_t>(Le32(b)) | (static_cast<uint64_t>(Le32(b + 4)) << 32);
}

uint32_t Be32(const uint8_t* b) noexcept
{
    return static_cast<uint32_t>(b[3]) | (static_cast<uint32_t>(b[2]) << 8) | (static_cast<uint32_t>(b[1]) << 16) |
           (static_cast<uint32_t>(b[0]) << 24);
}

uint64_t PixelBytes(const std::string& path, int64_t width, int64_t height, int64_t depth, uint64_t bytesPerPixel)
{
    if (width <= 0 || height <= 0 || depth <= 0)
        throw KORA::CExIo("'" + path + "' gives an empty or negative size " + std::to_string(width) + " x " +
                              std::to_string(height) + " x " + std::to_string(depth),
                          path);
    uint64_t total = bytesPerPixel;
    for (int64_t factor : {width, height, depth})
        if (__builtin_mul_overflow(total, static_cast<uint64_t>(factor), &total))
            throw KORA::CExIo("'" + path + "' gives a size too large for memory", path);
    return total;
}

void SwapBytes(void* data, std::size_t count, std::size_t size) noexcept
{
    auto* bytes = static_cast<uint8_t*>(data);
    for (std::size_t i = 0; i < count; ++i, bytes += size)
        std::reverse(bytes, bytes + size);
}

} // namespace loaderkit
