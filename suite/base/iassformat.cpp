#include "iassformat.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <sys/stat.h>

#include "kora/serializer.h"

namespace KORA {
namespace IassFormat {

namespace {

constexpr char kMagic[] = "IASS 1";
// A header holds a handful of numbers and the attributes; more than this is not a header.
constexpr std::size_t kMaxHeaderLine = std::size_t(1) << 20;
constexpr std::size_t kChunk = std::size_t(1) << 20;
// The same cap as CImage's, checked here so that a lying header fails before anything is allocated.
constexpr uint64_t kMaxImageBytes = uint64_t(1) << 40;

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
constexpr bool kBigEndian = true;
#else
constexpr bool kBigEndian = false;
#endif

// The size of the numbers a pixel is made of, for byte order swaps.
std::size_t ElementSize(ImageType type)
{
    switch (type) {
    case IMAGE_GREY_16:
        return 2;
    case IMAGE_GREY_F:
    case IMAGE_COMPLEX_F:
        return 4;
    default:
        return 1;
    }
}

void SwapBytes(uint8_t* data, std::size_t bytes, std::size_t elementSize)
{
    if (elementSize <= 1)
        return;
    for (std::size_t i = 0; i + elementSize <= bytes; i += elementSize)
        std::reverse(data + i, data + i + elementSize);
}

std::string ErrnoText()
{
    return std::strerror(errno);
}

// Plain and gzip files read through one interface; Read returns 0 only at the end of the data.
class CSource
{
public:
    virtual ~CSource() = default;
    virtual std::size_t Read(uint8_t* buffer, std::size_t length) = 0;
};

class CFileSource : public CSource
{
public:
    CFileSource(const std::string& path) : m_path(path), m_file(std::fopen(path.c_str(), "rb"))
    {
        if (!m_file)
            throw CExIo("cannot open: " + ErrnoText(), path);
    }
    ~CFileSource() override { std::fclose(m_file); }
    std::size_t Read(uint8_t* buffer, std::size_t length) override
    {
        const std::size_t n = std::fread(buffer, 1, length, m_file);
        if (n < length && std::ferror(m_file))
            throw CExIo("read error: " + ErrnoText(), m_path);
        return n;
    }
    uint64_t FileSize() const
    {
        struct stat st;
        if (fstat(fileno(m_file), &st) != 0)
            throw CExIo("cannot query the file size: " + ErrnoText(), m_path);
        return static_cast<uint64_t>(st.st_size);
    }

private:
    std::string m_path;
    FILE* m_file;
};

class CGzipSource : public CSource
{
public:
    CGzipSource(const std::string& path) : m_path(path), m_file(gzopen(path.c_str(), "rb"))
    {
        if (!m_file)
            throw CExIo("cannot open: " + ErrnoText(), path);
        gzbuffer(m_file, 1 << 18);
    }
    ~CGzipSource() override { gzclose(m_file); }
    std::size_t Read(uint8_t* buffer, std::size_t length) override
    {
        std::size_t total = 0;
        while (total < length) {
            const unsigned part = static_cast<unsigned>(std::min<std::size_t>(length - total, kChunk));
            const int n = gzread(m_file, buffer + total, part);
            if (n < 0) {
                int code = 0;
                const char* message = gzerror(m_file, &code);
                throw CExIo(std::string("cannot decompress: ") + (message ? message : "corrupt data"), m_path);
            }
            if (n == 0) {
                // zlib reports a stream cut before its trailer (so its CRC never checked) only here.
                int code = Z_OK;
                const char* message = gzerror(m_file, &code);
                if (code != Z_OK)
                    throw CExIo(std::string("truncated: the compressed stream ends early (") +
                                    (message ? message : "no trailer") + ")",
                                m_path);
                break;
            }
            total += static_cast<std::size_t>(n);
        }
        return total;
    }

private:
    std::string m_path;
    gzFile m_file;
};

// Reads lines from the start of a source, keeping what was read past them for the pixels.
class CLineReader
{
public:
    CLineReader(CSource& source, const std::string& path) : m_source(source), m_path(path) {}

    std::string ReadLine(const char* what)
    {
        std::size_t searched = 0;
        for (;;) {
            const std::size_t end = m_pending.find('\n', searched);
            if (end != std::string::npos) {
                if (end > kMaxHeaderLine)
                    break;
                std::string line = m_pending.substr(0, end);
                m_pending.erase(0, end + 1);
                m_consumed += end + 1;
                return line;
            }
            if (m_pending.size() > kMaxHeaderLine)
                break;
            searched = m_pending.size();
            const std::size_t old = m_pending.size();
            m_pending.resize(old + 65536);
            const std::size_t n = m_source.Read(reinterpret_cast<uint8_t*>(&m_pending[old]), 65536);
            m_pending.resize(old + n);
            if (n == 0)
                throw CExIo(std::string("truncated: the file ends inside the ") + what, m_path);
        }
        throw CExIo(std::string("the ") + what + " is longer than 1 MiB", m_path);
    }

    std::string& Pending() { return m_pending; }
    uint64_t Consumed() const { return m_consumed; }

private:
    CSource& m_source;
    const std::string& m_path;
    std::string m_pending;
    uint64_t m_consumed = 0;
};

int64_t ReadComponent(const CValue& vector, int index, const char* key, const std::string& path)
{
    const CValue* entry = Unwrap(vector.FindEntry(index));
    if (!entry || entry->GenericType() != GT_LONG)
        throw CExIo(std::string("invalid header: \"") + key + "\" must hold three integers", path);
    return static_cast<const CValueLong*>(entry)->Value();
}

CSize ReadTriple(const CValue& header, const char* key, const std::string& path)
{
    const CValue* value = Unwrap(header.FindEntry(key));
    if (!value || value->GenericType() != GT_VECTOR || static_cast<const CValueVector*>(value)->Size() != 3)
        throw CExIo(std::string("invalid header: \"") + key + "\" must hold three integers", path);
    return CSize(ReadComponent(*value, 0, key, path), ReadComponent(*value, 1, key, path),
                 ReadComponent(*value, 2, key, path));
}

struct StHeader
{
    ImageType type = IMAGE_GREY_8;
    CSize size;
    CSize origin{0, 0, 0};
    std::unique_ptr<CValue> attributes;
    uint64_t pixelBytes = 0;
};

StHeader ParseHeader(const std::string& line, const std::string& path)
{
    std::unique_ptr<CValue> root;
    try {
        root.reset(CTextSerializer(true, true, path.c_str()).Deserialize(line));
    } catch (const CException& e) {
        throw CExIo("invalid header: " + e.Message(), path);
    }
    if (!root || root->GenericType() != GT_MAP)
        throw CExIo("invalid header: not a map", path);

    StHeader header;
    const CValue* type = Unwrap(root->FindEntry("type"));
    if (!type || type->GenericType() != GT_STRING)
        throw CExIo("invalid header: no \"type\"", path);
    const std::string& typeName = static_cast<const CValueString*>(type)->Value();
    if (!ImageTypeFromName(typeName, header.type))
        throw CExIo("invalid header: unknown image type \"" + typeName + "\"", path);

    header.size = ReadTriple(*root, "size", path);
    for (int i = 0; i < 3; ++i)
        if (header.size[i] <= 0)
            throw CExIo("invalid header: size " + header.size.ToString() + " is not positive", path);
    if (root->HasEntry("origin"))
        header.origin = ReadTriple(*root, "origin", path);

    uint64_t bytes = ImagePixelSize(header.type);
    for (int i = 0; i < 3; ++i)
        if (__builtin_mul_overflow(bytes, static_cast<uint64_t>(header.size[i]), &bytes) || bytes > kMaxImageBytes)
            throw CExIo("invalid header: an image of " + header.size.ToString() + " " + typeName +
                            " pixels is too large",
                        path);
    header.pixelBytes = bytes;

    if (CValue* attributes = root->FindEntry("attributes")) {
        if (Unwrap(attributes)->GenericType() != GT_MAP)
            throw CExIo("invalid header: \"attributes\" is not a map", path);
        header.attributes.reset(root->Detach("attributes"));
    }
    return header;
}

CImage* MakeImage(StHeader& header, const uint8_t* pixels, const std::string& path)
{
    std::unique_ptr<CImage> image;
    try {
        image = std::make_unique<CImage>(header.type, header.size);
    } catch (const CException& e) {
        throw CExIo(e.Message(), path);
    }
    if (pixels)
        std::memcpy(image->Data(), pixels, image->TotalBytes());
    if (kBigEndian)
        SwapBytes(image->Data(), image->TotalBytes(), ElementSize(header.type));
    image->SetOrigin(header.origin);
    if (header.attributes)
        image->Attributes().Copy(*Unwrap(header.attributes.get()));
    return image.release();
}

// The magic line and the header line, as both the plain and the compressed form begin.
StHeader ReadHeader(CLineReader& lines, const std::string& path)
{
    if (lines.ReadLine("first line") != kMagic)
        throw CExIo("not an IASS file (the first line is not \"IASS 1\")", path);
    return ParseHeader(lines.ReadLine("header line"), path);
}

CImage* LoadPlain(const std::string& path)
{
    CFileSource source(path);
    CLineReader lines(source, path);
    StHeader header = ReadHeader(lines, path);

    const uint64_t fileSize = source.FileSize();
    const uint64_t available = fileSize > lines.Consumed() ? fileSize - lines.Consumed() : 0;
    if (available < header.pixelBytes)
        throw CExIo("truncated: the header claims " + std::to_string(header.pixelBytes) +
                        " bytes of pixels, the file holds " + std::to_string(available),
                    path);
    if (available > header.pixelBytes)
        throw CExIo("the header claims " + std::to_string(header.pixelBytes) + " bytes of pixels, the file holds " +
                        std::to_string(available),
                    path);

    std::unique_ptr<CImage> image(MakeImage(header, nullptr, path));
    std::string& pending = lines.Pending();
    const std::size_t head = std::min<std::size_t>(pending.size(), image->TotalBytes());
    std::memcpy(image->Data(), pending.data(), head);
    std::size_t have = head;
    while (have < image->TotalBytes()) {
        const std::size_t n = source.Read(image->Data() + have, std::min(image->TotalBytes() - have, kChunk * 16));
        if (n == 0)
            throw CExIo("truncated: the file shrank while being read", path);
        have += n;
    }
    if (kBigEndian)
        SwapBytes(image->Data(), image->TotalBytes(), ElementSize(header.type));
    return image.release();
}

CImage* LoadGzip(const std::string& path)
{
    CGzipSource source(path);
    CLineReader lines(source, path);
    StHeader header = ReadHeader(lines, path);

    // The decompressed size is unknown until the end, so the buffer grows only with data that has arrived:
    // a lying header cannot make us allocate what the file does not hold.
    const std::size_t need = static_cast<std::size_t>(header.pixelBytes);
    std::vector<uint8_t> data(lines.Pending().begin(), lines.Pending().end());
    lines.Pending().clear();
    while (data.size() <= need) {
        const std::size_t have = data.size();
        const std::size_t chunk = have == need ? 1 : std::min(need - have, kChunk * 4);
        data.resize(have + chunk);
        const std::size_t n = source.Read(data.data() + have, chunk);
        data.resize(have + n);
        if (n == 0)
            break;
    }
    if (data.size() < need)
        throw CExIo("truncated: the header claims " + std::to_string(need) + " bytes of pixels, the file holds " +
                        std::to_string(data.size()),
                    path);
    if (data.size() > need)
        throw CExIo("the header claims " + std::to_string(need) + " bytes of pixels, the file holds more", path);
    return MakeImage(header, data.data(), path);
}

std::string HeaderLine(const CImage& image, const std::string& displayName)
{
    CValueMap header;
    header.SetEntry("type", new CValueString(ImageTypeName(image.Type())));
    for (const char* key : {"size", "origin"}) {
        const CSize triple = std::strcmp(key, "size") == 0 ? image.Size() : image.Origin();
        auto* vector = new CValueVector();
        header.SetEntry(key, vector);
        for (int i = 0; i < 3; ++i) {
            if (triple[i] < INT32_MIN || triple[i] > INT32_MAX)
                throw CExIo(std::string("the image's ") + key + " " + triple.ToString() +
                                " does not fit in an IASS header",
                            displayName);
            vector->Append(new CValueLong(static_cast<int32_t>(triple[i])));
        }
    }
    std::string line;
    try {
        header.SetEntry("attributes", image.Attributes().Clone());
        line = CTextSerializer(true, true, displayName.c_str()).ToString(header);
    } catch (const CException& e) {
        // The serializer names the value it could not write; the user needs the file too.
        throw CExIo("cannot write the attributes: " + (e.Source() == displayName ? e.Message() : e.FormattedWhat()),
                    displayName);
    }
    if (line.find('\n') != std::string::npos)
        throw CExIo("the header serialization spans several lines", displayName);
    return line;
}

// Writes through a plain FILE or a gzFile, with byte order swapped into a bounce buffer when needed.
template <class Write>
void WriteAll(const std::string& head, const CImage& image, Write write)
{
    write(reinterpret_cast<const uint8_t*>(head.data()), head.size());
    const std::size_t total = image.TotalBytes();
    std::vector<uint8_t> bounce;
    for (std::size_t offset = 0; offset < total; offset += kChunk * 16) {
        const std::size_t n = std::min(total - offset, kChunk * 16);
        const uint8_t* data = image.Data() + offset;
        if (kBigEndian && ElementSize(image.Type()) > 1) {
            bounce.assign(data, data + n);
            SwapBytes(bounce.data(), n, ElementSize(image.Type()));
            data = bounce.data();
        }
        write(data, n);
    }
}

} // namespace

CImage* Load(const std::string& path, bool gzip)
{
    return gzip ? LoadGzip(path) : LoadPlain(path);
}

void Save(const std::string& path, const std::string& displayName, const CImage& image, bool gzip, int level)
{
    const std::string head = std::string(kMagic) + "\n" + HeaderLine(image, displayName) + "\n";
    if (gzip) {
        const std::string mode = "wb" + std::to_string(std::clamp(level, 0, 9));
        gzFile file = gzopen(path.c_str(), mode.c_str());
        if (!file)
            throw CExIo("cannot open for writing: " + ErrnoText(), displayName);
        gzbuffer(file, 1 << 18);
        bool ok = true;
        WriteAll(head, image, [&](const uint8_t* data, std::size_t n) {
            while (ok && n > 0) {
                const unsigned part = static_cast<unsigned>(std::min<std::size_t>(n, kChunk * 16));
                const int written = gzwrite(file, data, part);
                ok = written == static_cast<int>(part);
                data += part;
                n -= part;
            }
        });
        if (gzclose(file) != Z_OK || !ok)
            throw CExIo("write error: " + ErrnoText(), displayName);
    } else {
        FILE* file = std::fopen(path.c_str(), "wb");
        if (!file)
            throw CExIo("cannot open for writing: " + ErrnoText(), displayName);
        bool ok = true;
        WriteAll(head, image, [&](const uint8_t* data, std::size_t n) {
            ok = ok && std::fwrite(data, 1, n, file) == n;
        });
        if (std::fclose(file) != 0 || !ok)
            throw CExIo("write error: " + ErrnoText(), displayName);
    }
}

} // namespace IassFormat
} // namespace KORA
