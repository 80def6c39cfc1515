#include "pngcodec.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdint>
#include <new>

#include <sys/stat.h>

namespace KORA::detail {

namespace {

// OpenCV's own limits on what it decodes; larger files go to it and are refused there.
constexpr png_uint_32 kMaxSide = 1u << 20;
constexpr std::uint64_t kMaxPixels = std::uint64_t(1) << 30;
// Deflate expands a byte to at most 1032: a file smaller than its samples by more than that cannot hold
// them. libpng finds that out only after the image is allocated, so without this a 100-byte file could
// make us allocate 6 GiB.
constexpr std::uint64_t kMaxInflation = 1032;

void Quiet(png_structp, png_const_charp) {}

// Back to the setjmp of the function that called libpng, without a message.
[[noreturn]] void Jump(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

// libpng reports errors by a long jump back to the setjmp of the function that called it. The functions
// holding that setjmp keep no object with a destructor of their own: what they fill belongs to the caller.
struct Reader
{
    std::FILE* file = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<png_bytep> rows;

    ~Reader()
    {
        if (png)
            png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
        if (file)
            std::fclose(file);
    }
};

bool ReadInto(Reader& reader, std::uint64_t fileBytes, cv::Mat& image)
{
    if (setjmp(png_jmpbuf(reader.png)))
        return false;
    png_init_io(reader.png, reader.file);
    png_read_info(reader.png, reader.info);
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int depth = 0;
    int colour = 0;
    png_get_IHDR(reader.png, reader.info, &width, &height, &depth, &colour, nullptr, nullptr, nullptr);
    if ((colour != PNG_COLOR_TYPE_GRAY && colour != PNG_COLOR_TYPE_RGB) || (depth != 8 && depth != 16) ||
        png_get_valid(reader.png, reader.info, PNG_INFO_tRNS) || width == 0 || height == 0 || width > kMaxSide ||
        height > kMaxSide || std::uint64_t(width) * height > kMaxPixels ||
        std::uint64_t(width) * height * (colour == PNG_COLOR_TYPE_RGB ? 3 : 1) * (depth / 8) > fileBytes * kMaxInflation)
        return false;
    if (depth == 16)
        png_set_swap(reader.png);
    if (colour == PNG_COLOR_TYPE_RGB)
        png_set_bgr(reader.png);
    png_set_interlace_handling(reader.png);
    png_read_update_info(reader.png, reader.info);
    image.create(static_cast<int>(height), static_cast<int>(width),
                 CV_MAKETYPE(depth == 16 ? CV_16U : CV_8U, colour == PNG_COLOR_TYPE_RGB ? 3 : 1));
    reader.rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        reader.rows[y] = image.ptr(static_cast<int>(y));
    png_read_image(reader.png, reader.rows.data());
    // OpenCV reads to the end as well: a file cut after its image data fails with both.
    png_read_end(reader.png, nullptr);
    return true;
}

struct Writer
{
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<png_bytep> rows;

    ~Writer()
    {
        if (png)
            png_destroy_write_struct(&png, info ? &info : nullptr);
    }
};

void Append(png_structp png, png_bytep data, png_size_t size)
{
    auto* bytes = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(png));
    try {
        bytes->insert(bytes->end(), data, data + size);
    } catch (const std::bad_alloc&) {
        png_error(png, "out of memory");
    }
}

void Flush(png_structp) {}

bool WriteFrom(Writer& writer, const cv::Mat& plane, int level, std::vector<unsigned char>& bytes)
{
    if (setjmp(png_jmpbuf(writer.png)))
        return false;
    const bool colour = plane.channels() == 3;
    const bool wide = plane.depth() == CV_16U;
    png_set_write_fn(writer.png, &bytes, Append, Flush);
    png_set_IHDR(writer.png, writer.info, static_cast<png_uint_32>(plane.cols), static_cast<png_uint_32>(plane.rows),
                 wide ? 16 : 8, colour ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(writer.png, level);
    // At the fast levels one filter instead of libpng's trial of all five on every row, which takes longer
    // than the deflating: "up" did as well as the trial on masks and photographs (a third of the time on a
    // one-megapixel mask, a file 1 % smaller; 0.2 % larger on a photograph).
    if (level <= 2)
        png_set_filter(writer.png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_write_info(writer.png, writer.info);
    if (wide)
        png_set_swap(writer.png);
    if (colour)
        png_set_bgr(writer.png);
    writer.rows.resize(static_cast<std::size_t>(plane.rows));
    for (int y = 0; y < plane.rows; ++y)
        writer.rows[static_cast<std::size_t>(y)] = const_cast<png_bytep>(plane.ptr(y));
    png_write_image(writer.png, writer.rows.data());
    png_write_end(writer.png, nullptr);
    return true;
}

} // namespace

bool ReadPlainPng(const std::string& path, cv::Mat& out)
{
    Reader reader;
    reader.file = std::fopen(path.c_str(), "rb");
    if (!reader.file)
        return false;
    struct stat status;
    if (fstat(fileno(reader.file), &status) != 0)
        return false;
    reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, Jump, Quiet);
    if (!reader.png)
        return false;
    reader.info = png_create_info_struct(reader.png);
    cv::Mat image;
    if (!reader.info || !ReadInto(reader, static_cast<std::uint64_t>(status.st_size), image))
        return false;
    out = image;
    return true;
}

bool EncodePlainPng(const cv::Mat& plane, int level, std::vector<unsigned char>& bytes)
{
    if (plane.type() != CV_8UC1 && plane.type() != CV_16UC1 && plane.type() != CV_8UC3)
        return false;
    Writer writer;
    writer.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, Jump, Quiet);
    if (!writer.png)
        return false;
    writer.info = png_create_info_struct(writer.png);
    std::vector<unsigned char> encoded;
    if (!writer.info || !WriteFrom(writer, plane, level < 0 ? 0 : level > 9 ? 9 : level, encoded))
        return false;
    bytes.swap(encoded);
    return true;
}

} // namespace KORA::detail
