#include "tiffcodec.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <sys/stat.h>

#include "kora/opencv.h"
#include "tiffaxes.h"

namespace KORA::detail {

namespace {

// The most one image may take; checked before anything of its size is allocated.
constexpr uint64_t kMaxImageBytes = uint64_t(1) << 33;
// Every page takes an IFD of its own; past this a file is not a stack but an attack.
constexpr std::size_t kMaxPages = std::size_t(1) << 20;
constexpr char kPixelSizeX[] = "pixel_size_x";
constexpr char kPixelSizeY[] = "pixel_size_y";
constexpr char kPixelSizeZ[] = "pixel_size_z";
constexpr char kPixelUnit[] = "pixel_unit";

// libtiff's first error on one file, kept with its handle so that loads on other threads do not mix theirs.
struct Handle
{
    TIFF* tiff = nullptr;
    TIFFOpenOptions* options = nullptr;
    std::string error;

    Handle() = default;
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle()
    {
        if (tiff)
            TIFFClose(tiff);
        if (options)
            TIFFOpenOptionsFree(options);
    }
};

int KeepError(TIFF*, void* user, const char*, const char* format, va_list arguments)
{
    auto* handle = static_cast<Handle*>(user);
    if (handle->error.empty()) {
        char text[512];
        std::vsnprintf(text, sizeof text, format, arguments);
        handle->error = text;
    }
    return 1;
}

// Unknown tags and the like: libtiff goes on, and so do we.
int IgnoreWarning(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;
}

void Open(Handle& handle, const std::string& file, const char* mode)
{
    handle.options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(handle.options, KeepError, &handle);
    TIFFOpenOptionsSetWarningHandlerExtR(handle.options, IgnoreWarning, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(handle.options, static_cast<tmsize_t>(kMaxImageBytes));
    handle.tiff = TIFFOpenExt(file.c_str(), mode, handle.options);
}

[[noreturn]] void Fail(const std::string& what, const Handle& handle, const std::string& path)
{
    throw CExIo(what + (handle.error.empty() ? std::string() : ": " + handle.error), path);
}

void AddWarning(std::vector<std::string>& warnings, const std::string& warning)
{
    if (std::find(warnings.begin(), warnings.end(), warning) == warnings.end())
        warnings.push_back(warning);
}

// ---- reading ----

struct StLayout
{
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t samples = 1;
    uint16_t bits = 1;
    uint16_t format = SAMPLEFORMAT_UINT;
    uint16_t photometric = PHOTOMETRIC_MINISBLACK;
    uint16_t planar = PLANARCONFIG_CONTIG;
    uint16_t extraKind = EXTRASAMPLE_UNSPECIFIED;
    bool rgba = false; // through libtiff's RGBA interface: palette, CMYK, YCbCr, ...
    int depth = CV_8U; // of the samples as decoded
    ImageType type = IMAGE_GREY_8;
};

std::string SampleName(uint16_t bits, uint16_t format)
{
    const char* kind = format == SAMPLEFORMAT_INT             ? "signed integer"
                       : format == SAMPLEFORMAT_IEEEFP        ? "floating-point"
                       : format == SAMPLEFORMAT_COMPLEXINT    ? "complex integer"
                       : format == SAMPLEFORMAT_COMPLEXIEEEFP ? "complex floating-point"
                                                              : "unsigned integer";
    return std::to_string(bits) + "-bit " + kind + " samples";
}

// How far each compression can expand its data at most (for Deflate 1032, for PackBits 64); a page whose
// strips are smaller than its pixels by more than this is a lie of the header.
uint64_t MaxInflation(uint16_t compression)
{
    switch (compression) {
    case COMPRESSION_NONE:
        return 1;
    case COMPRESSION_PACKBITS:
        return 64;
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE:
        return 1032;
    case COMPRESSION_LZW:
        return 2048;
    default:
        return 65536;
    }
}

// The sample depth the native path decodes into, or throws for samples no image type holds exactly.
int NativeDepth(const StLayout& layout, const std::string& path)
{
    const uint16_t bits = layout.bits;
    switch (layout.format) {
    case SAMPLEFORMAT_UINT:
    case SAMPLEFORMAT_VOID:
        if (bits >= 1 && bits <= 16)
            return bits <= 8 ? CV_8U : CV_16U;
        break;
    case SAMPLEFORMAT_INT:
        if (bits == 8 || bits == 16)
            return bits == 8 ? CV_8S : CV_16S;
        break;
    case SAMPLEFORMAT_IEEEFP:
        if (bits == 16 || bits == 32)
            return bits == 16 ? CV_16F : CV_32F;
        break;
    default:
        break;
    }
    throw CExIo("cannot load " + SampleName(bits, layout.format) + ": no image type holds them exactly", path);
}

StLayout ReadLayout(Handle& handle, const std::string& path, tdir_t page, uint64_t fileBytes)
{
    TIFF* tif = handle.tiff;
    StLayout layout;
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &layout.width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &layout.height);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &layout.samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &layout.bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &layout.format);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &layout.planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &layout.photometric))
        layout.photometric = layout.samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    uint16_t extras = 0;
    uint16_t* extraKinds = nullptr;
    if (TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extras, &extraKinds) && extras > 0)
        layout.extraKind = extraKinds[0];
    const std::string where = "page " + std::to_string(page + 1);
    if (layout.width == 0 || layout.height == 0)
        throw CExIo(where + " has no pixels (" + std::to_string(layout.width) + " x " +
                        std::to_string(layout.height) + ")",
                    path);

    const bool grey = layout.photometric == PHOTOMETRIC_MINISBLACK || layout.photometric == PHOTOMETRIC_MINISWHITE;
    const bool rgb = layout.photometric == PHOTOMETRIC_RGB;
    const int colours = rgb ? 3 : 1;
    layout.rgba = !grey && !(rgb && layout.bits >= 8);
    if (layout.rgba) {
        char reason[1024] = {};
        if (!TIFFRGBAImageOK(tif, reason))
            throw CExIo("cannot decode the TIFF file: " + std::string(reason), path);
        layout.type = IMAGE_RGB_8;
    } else {
        layout.depth = NativeDepth(layout, path);
        // One sample past the colour is alpha (or taken for it, as any other reader would).
        if (layout.samples < colours || layout.samples > colours + 1)
            throw CExIo("cannot load " + std::to_string(layout.samples) + " " + SampleName(layout.bits, layout.format) +
                            " per pixel of " + (rgb ? "RGB" : "grey") + " colour: nothing says what the samples are",
                        path);
        const bool floats = layout.depth != CV_8U && layout.depth != CV_16U;
        layout.type = floats ? IMAGE_GREY_F
                      : rgb  ? IMAGE_RGB_8
                             : layout.depth == CV_8U ? IMAGE_GREY_8 : IMAGE_GREY_16;
    }

    const uint64_t decoded = uint64_t(layout.width) * layout.height *
                             (layout.rgba ? 4 : layout.samples * uint64_t(CV_ELEM_SIZE1(layout.depth)));
    if (decoded > kMaxImageBytes)
        throw CExIo(where + " is too large: " + std::to_string(layout.width) + " x " + std::to_string(layout.height) +
                        " pixels",
                    path);
    const bool tiled = TIFFIsTiled(tif);
    const char* chunk = tiled ? "tile " : "strip ";
    uint64_t stored = 0;
    const uint32_t chunks = tiled ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
    for (uint32_t i = 0; i < chunks; ++i) {
        int error = 0;
        const uint64_t offset = TIFFGetStrileOffsetWithErr(tif, i, &error);
        const uint64_t bytes = TIFFGetStrileByteCountWithErr(tif, i, &error);
        if (error)
            Fail(where + ": cannot read the position of " + chunk + std::to_string(i), handle, path);
        if (offset > fileBytes || bytes > fileBytes - offset)
            throw CExIo("truncated: " + where + ", " + chunk + std::to_string(i) + " ends past the end of the file (" +
                            std::to_string(fileBytes) + " bytes)",
                        path);
        stored += bytes;
    }
    const uint64_t packed = uint64_t(layout.height) * ((uint64_t(layout.width) * layout.samples * layout.bits + 7) / 8);
    if (packed > stored * MaxInflation(compression))
        throw CExIo(where + " claims " + std::to_string(layout.width) + " x " + std::to_string(layout.height) +
                        " pixels, more than its " + std::to_string(stored) + " bytes of image data can hold",
                    path);
    return layout;
}

// Where the IFD at offset `at` says the next one is; libtiff stops at a loop or an IFD past the end without
// an error, which would cut a stack short in silence. The offset is taken before TIFFReadDirectory, which
// resets the current one to 0 at the end of the chain: read from there, a large file's pixels would pass
// for the next offset.
uint64_t NextDirectory(TIFF* tif, const std::string& path, uint64_t at)
{
    const bool big = TIFFIsBigEndian(tif);
    const bool wide = TIFFIsBigTIFF(tif);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return 0;
    const auto read = [&](uint64_t at, int bytes) {
        uint8_t b[8] = {};
        uint64_t value = 0;
        if (fseeko(file, static_cast<off_t>(at), SEEK_SET) != 0 || std::fread(b, 1, bytes, file) != std::size_t(bytes))
            return value;
        for (int i = 0; i < bytes; ++i)
            value |= uint64_t(b[big ? bytes - 1 - i : i]) << (8 * i);
        return value;
    };
    const uint64_t entries = read(at, wide ? 8 : 2);
    const uint64_t next = read(at + (wide ? 8 + 20 * entries : 2 + 12 * entries), wide ? 8 : 4);
    std::fclose(file);
    return next;
}

// Bits of a packed row, most significant first, as a number.
uint32_t TakeBits(const uint8_t* row, uint64_t first, unsigned bits)
{
    uint32_t value = 0;
    for (uint64_t bit = first; bit < first + bits; ++bit)
        value = (value << 1) | ((row[bit >> 3] >> (7 - (bit & 7))) & 1u);
    return value;
}

// Every strip or tile of the current page into raw (height x width, one channel per sample).
void ReadSamples(Handle& handle, const std::string& path, const StLayout& layout, cv::Mat& raw)
{
    TIFF* tif = handle.tiff;
    const bool tiled = TIFFIsTiled(tif);
    uint32_t chunkWidth = layout.width;
    uint32_t chunkHeight = 0;
    if (tiled) {
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &chunkWidth);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &chunkHeight);
    } else {
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &chunkHeight);
    }
    chunkHeight = std::max<uint32_t>(1, std::min(chunkHeight, layout.height));
    if (chunkWidth == 0)
        throw CExIo("the tiles have no width", path);
    const tmsize_t chunkBytes = tiled ? TIFFTileSize(tif) : TIFFStripSize(tif);
    if (chunkBytes <= 0)
        Fail("cannot decode the TIFF file", handle, path);
    std::vector<uint8_t> buffer(static_cast<std::size_t>(chunkBytes));
    const bool separate = layout.planar == PLANARCONFIG_SEPARATE && layout.samples > 1;
    const unsigned inChunk = separate ? 1 : layout.samples;
    const unsigned bits = layout.bits;
    const uint64_t rowBytes = (uint64_t(chunkWidth) * inChunk * bits + 7) / 8;
    const std::size_t sampleBytes = raw.elemSize1();
    const unsigned samples = layout.samples;
    const uint32_t top = bits < 8 ? (1u << bits) - 1 : 0;
    for (unsigned plane = 0; plane < (separate ? samples : 1u); ++plane)
        for (uint32_t y0 = 0; y0 < layout.height; y0 += chunkHeight)
            for (uint32_t x0 = 0; x0 < layout.width; x0 += chunkWidth) {
                const uint32_t index = tiled ? TIFFComputeTile(tif, x0, y0, 0, static_cast<uint16_t>(plane))
                                             : TIFFComputeStrip(tif, y0, static_cast<uint16_t>(plane));
                const tmsize_t got = tiled ? TIFFReadEncodedTile(tif, index, buffer.data(), chunkBytes)
                                           : TIFFReadEncodedStrip(tif, index, buffer.data(), chunkBytes);
                const uint32_t rows = std::min(chunkHeight, layout.height - y0);
                const uint32_t cols = std::min(chunkWidth, layout.width - x0);
                if (got < 0 || uint64_t(got) < (rows - 1) * rowBytes + (uint64_t(cols) * inChunk * bits + 7) / 8)
                    Fail(std::string("cannot decode ") + (tiled ? "tile " : "strip ") + std::to_string(index), handle,
                         path);
                for (uint32_t r = 0; r < rows; ++r) {
                    const uint8_t* source = buffer.data() + r * rowBytes;
                    uint8_t* target = raw.ptr<uint8_t>(static_cast<int>(y0 + r)) + std::size_t(x0) * samples * sampleBytes;
                    if (bits % 8 == 0 && !separate) {
                        std::memcpy(target, source, std::size_t(cols) * samples * sampleBytes);
                    } else if (bits % 8 == 0) {
                        for (uint32_t x = 0; x < cols; ++x)
                            std::memcpy(target + (std::size_t(x) * samples + plane) * sampleBytes,
                                        source + std::size_t(x) * sampleBytes, sampleBytes);
                    } else {
                        for (uint32_t x = 0; x < cols; ++x)
                            for (unsigned s = 0; s < inChunk; ++s) {
                                const uint32_t value = TakeBits(source, (uint64_t(x) * inChunk + s) * bits, bits);
                                const std::size_t at = std::size_t(x) * samples + plane + s;
                                // Spread over the decoded range, as other readers do: 1-bit to 0/255, 12-bit to
                                // the upper bits of 16.
                                if (bits < 8)
                                    target[at] = static_cast<uint8_t>(value * 255 / top);
                                else
                                    reinterpret_cast<uint16_t*>(target)[at] = static_cast<uint16_t>(value << (16 - bits));
                            }
                    }
                }
            }
}

// The current page into plane, whose type is layout.type.
void ReadPage(Handle& handle, const std::string& path, const StLayout& layout, cv::Mat plane,
              std::vector<std::string>& warnings)
{
    if (layout.rgba) {
        std::vector<uint32_t> raster(std::size_t(layout.width) * layout.height);
        if (!TIFFReadRGBAImageOriented(handle.tiff, layout.width, layout.height, raster.data(), ORIENTATION_TOPLEFT, 0))
            Fail("cannot decode the TIFF file", handle, path);
        for (uint32_t y = 0; y < layout.height; ++y) {
            uint8_t* row = plane.ptr<uint8_t>(static_cast<int>(y));
            const uint32_t* source = raster.data() + std::size_t(y) * layout.width;
            for (uint32_t x = 0; x < layout.width; ++x) {
                row[3 * x] = static_cast<uint8_t>(TIFFGetR(source[x]));
                row[3 * x + 1] = static_cast<uint8_t>(TIFFGetG(source[x]));
                row[3 * x + 2] = static_cast<uint8_t>(TIFFGetB(source[x]));
            }
        }
        if (layout.photometric == PHOTOMETRIC_SEPARATED)
            AddWarning(warnings, "CMYK colour converted to RGB");
        return;
    }
    const int colours = layout.photometric == PHOTOMETRIC_RGB ? 3 : 1;
    cv::Mat raw(plane.rows, plane.cols, CV_MAKETYPE(layout.depth, layout.samples));
    const bool direct = raw.type() == plane.type();
    if (direct)
        raw = plane;
    ReadSamples(handle, path, layout, raw);
    if (layout.photometric == PHOTOMETRIC_MINISWHITE && layout.depth == CV_8U)
        cv::bitwise_not(raw, raw);
    if (direct)
        return;
    if (layout.samples > colours) {
        // Unassociated alpha multiplies 8-bit colour, as libtiff's RGBA interface does.
        if (colours == 3 && layout.depth == CV_8U && layout.extraKind == EXTRASAMPLE_UNASSALPHA)
            for (int y = 0; y < raw.rows; ++y) {
                uint8_t* row = raw.ptr<uint8_t>(y);
                for (int x = 0; x < raw.cols; ++x)
                    for (int c = 0; c < 3; ++c)
                        row[4 * x + c] = static_cast<uint8_t>((row[4 * x + c] * row[4 * x + 3] + 127) / 255);
            }
        cv::Mat colour;
        if (colours == 1)
            cv::extractChannel(raw, colour, 0);
        else
            cv::cvtColor(raw, colour, cv::COLOR_RGBA2RGB);
        raw = colour;
    }
    if (layout.depth != CV_8U && layout.depth != CV_16U && layout.depth != CV_32F) {
        raw.convertTo(raw, CV_MAKETYPE(CV_32F, colours));
        AddWarning(warnings, "pixels converted to single-precision floating point");
    }
    if (layout.samples > colours)
        AddWarning(warnings, "alpha channel dropped");
    if (colours == 3 && raw.depth() == CV_16U) {
        raw.convertTo(plane, CV_8UC3, 1.0 / 257.0);
        AddWarning(warnings, "16-bit colour reduced to 8 bits per channel");
    } else if (colours == 3 && raw.depth() == CV_32F) {
        cv::cvtColor(raw, plane, cv::COLOR_RGB2GRAY);
        AddWarning(warnings, "floating-point colour converted to grey");
    } else {
        raw.copyTo(plane);
    }
}

void SetPixelSize(CImage& image, TIFF* tif, const StTiffAxes& axes)
{
    float xResolution = 0;
    float yResolution = 0;
    uint16_t unitCode = RESUNIT_INCH;
    double x = axes.sizeX;
    double y = axes.sizeY;
    std::string unit = axes.unit;
    if (x <= 0 && TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xResolution) && xResolution > 0 && std::isfinite(xResolution)) {
        if (!TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yResolution) || !(yResolution > 0) || !std::isfinite(yResolution))
            yResolution = xResolution;
        TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unitCode);
        // ImageJ counts pixels per the unit of its description.
        const double per = axes.source == "ImageJ" && !unit.empty() ? 1
                           : unitCode == RESUNIT_INCH                ? 25400
                           : unitCode == RESUNIT_CENTIMETER          ? 10000
                                                                     : 1;
        if (per != 1)
            unit = "\xC2\xB5m";
        x = per / xResolution;
        y = per / yResolution;
    }
    CValueMap& attributes = image.Attributes();
    if (x > 0) {
        attributes.SetEntry(kPixelSizeX, new CValueDouble(x));
        attributes.SetEntry(kPixelSizeY, new CValueDouble(y > 0 ? y : x));
    }
    if (axes.sizeZ > 0 && image.Size().Depth() > 1)
        attributes.SetEntry(kPixelSizeZ, new CValueDouble(axes.sizeZ));
    if (!unit.empty() && (x > 0 || axes.sizeZ > 0))
        attributes.SetEntry(kPixelUnit, new CValueString(unit));
}

// The pages of the plane choice, checked against what the file holds.
std::vector<std::size_t> ChoosePages(const StTiffAxes& axes, std::size_t pageCount, const StImgLoadCfg& config,
                                     const std::string& path)
{
    const uint64_t declared = uint64_t(axes.planes) * uint64_t(axes.channels) * uint64_t(axes.timePoints);
    if (uint64_t(axes.firstPage) + declared > pageCount)
        throw CExIo("the " + axes.source + " description declares " + axes.Describe() + " (" +
                        std::to_string(declared) + " pages) but the file holds " + std::to_string(pageCount) +
                        " pages",
                    path);
    const bool chosen = (config.flags & IMG_LOAD_PLANE) != 0;
    if (!chosen && (axes.channels > 1 || axes.timePoints > 1))
        throw CExIo("the " + axes.source + " axes are " + axes.Describe() +
                        ": channels and time points are never stacked into Z; choose a channel and time point for "
                        "the port (--channel PORT=C, --time PORT=T)",
                    path);
    const int64_t channel = chosen ? config.channel : 0;
    const int64_t time = chosen ? config.timePoint : 0;
    if (channel < 0 || channel >= axes.channels || time < 0 || time >= axes.timePoints)
        throw CExIo("channel " + std::to_string(channel) + ", time point " + std::to_string(time) +
                        " is not in the file, which has " + axes.Describe() + " (counted from 0)",
                    path);
    std::vector<std::size_t> pages;
    for (int64_t z = 0; z < axes.planes; ++z)
        pages.push_back(static_cast<std::size_t>(axes.Page(z, channel, time)));
    return pages;
}

// ---- writing ----

void WriteResolution(TIFF* tif, const CValueMap& attributes, bool threeD)
{
    const double x = attributes.EntryDouble(kPixelSizeX, 0);
    const double y = attributes.EntryDouble(kPixelSizeY, x);
    if (!(x > 0) || !(y > 0) || !std::isfinite(x) || !std::isfinite(y))
        return;
    const std::string unit = attributes.HasEntry(kPixelUnit, GT_STRING) ? attributes.EntryString(kPixelUnit) : "";
    const double micrometres = MicrometresPer(unit);
    // A stack counts pixels per its description's unit, as ImageJ writes it; a single plane in centimetres,
    // which every reader understands.
    double per = 1;
    uint16_t code = RESUNIT_NONE;
    if (unit == "cm" || unit == "inch")
        code = unit == "cm" ? RESUNIT_CENTIMETER : RESUNIT_INCH;
    else if (!threeD && micrometres > 0) {
        code = RESUNIT_CENTIMETER;
        per = 1e4 / micrometres;
    }
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, static_cast<float>(per / x));
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, static_cast<float>(per / y));
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, code);
}

// ImageJ's description of a plain stack, so that its readers see the planes and their spacing.
std::string StackDescription(const CImage& image)
{
    const CValueMap& attributes = image.Attributes();
    const std::string depth = std::to_string(image.Size().Depth());
    std::string text = "ImageJ=1.11a\nimages=" + depth + "\nslices=" + depth + "\n";
    const std::string unit = attributes.HasEntry(kPixelUnit, GT_STRING) ? attributes.EntryString(kPixelUnit) : "";
    const bool plain = std::all_of(unit.begin(), unit.end(), [](char c) { return c > ' ' && c < 127 && c != '='; });
    if (NormaliseUnit(unit) == "\xC2\xB5m")
        text += "unit=micron\n";
    else if (!unit.empty() && plain)
        text += "unit=" + unit + "\n";
    const double spacing = attributes.EntryDouble(kPixelSizeZ, 0);
    if (spacing > 0 && std::isfinite(spacing)) {
        char number[64];
        std::snprintf(number, sizeof number, "%.10g", spacing);
        text += std::string("spacing=") + number + "\n";
    }
    return text + "loop=false\n";
}

} // namespace

CImage* ReadTiff(const std::string& path, const StImgLoadCfg& config)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        throw CExIo(std::string("cannot open: ") + std::strerror(errno), path);
    const uint64_t fileBytes = static_cast<uint64_t>(info.st_size);
    Handle handle;
    Open(handle, path, "rm");
    if (!handle.tiff)
        throw CExIo("cannot decode the TIFF file (" +
                        (handle.error.empty() ? std::string("corrupt, truncated or not TIFF") : handle.error) + ")",
                    path);
    TIFF* tif = handle.tiff;
    std::string description;
    char* text = nullptr;
    if (TIFFGetField(tif, TIFFTAG_IMAGEDESCRIPTION, &text) && text)
        description = text;

    // Every page's layout first, so that a lying header fails before its image is allocated.
    std::vector<StLayout> layouts;
    std::vector<tdir_t> directories;
    for (tdir_t directory = 0;; ++directory) {
        uint32_t subfile = 0;
        // Reduced-resolution copies (thumbnails, pyramids) are not planes.
        if (directory == 0 || !TIFFGetField(tif, TIFFTAG_SUBFILETYPE, &subfile) || !(subfile & FILETYPE_REDUCEDIMAGE)) {
            layouts.push_back(ReadLayout(handle, path, directory, fileBytes));
            directories.push_back(directory);
        }
        if (directories.size() > kMaxPages)
            throw CExIo("more than " + std::to_string(kMaxPages) + " pages", path);
        handle.error.clear();
        const uint64_t current = TIFFCurrentDirOffset(tif);
        if (!TIFFReadDirectory(tif)) {
            const uint64_t next = handle.error.empty() ? NextDirectory(tif, path, current) : 0;
            if (!handle.error.empty() || next != 0)
                Fail("cannot read page " + std::to_string(directory + 2) +
                         (next ? " at offset " + std::to_string(next) + ": the pages loop or end past the file" : ""),
                     handle, path);
            break;
        }
    }

    std::vector<std::string> warnings;
    StTiffAxes axes;
    const std::string unusable = ReadTiffAxes(description, layouts.front().samples, axes);
    if (!unusable.empty()) {
        AddWarning(warnings, unusable + "; every page is read as a plane");
        axes = StTiffAxes();
    }
    if (axes.planes == 0)
        axes.planes = static_cast<int64_t>(layouts.size());
    if (axes.source.empty())
        axes.source = "TIFF";
    const std::vector<std::size_t> pages = ChoosePages(axes, layouts.size(), config, path);
    const StLayout& first = layouts[pages.front()];
    for (std::size_t page : pages)
        if (layouts[page].width != first.width || layouts[page].height != first.height || layouts[page].type != first.type)
            throw CExIo("page " + std::to_string(directories[page] + 1) +
                            " differs from the first page in size or pixel type",
                        path);
    const CSize size(first.width, first.height, static_cast<int64_t>(pages.size()));
    if (uint64_t(size.Count()) * ImagePixelSize(first.type) > kMaxImageBytes)
        throw CExIo("too large: " + size.ToString() + " pixels", path);
    auto image = std::make_unique<CImage>(first.type, size);
    for (std::size_t z = 0; z < pages.size(); ++z) {
        const tdir_t directory = directories[pages[z]];
        handle.error.clear();
        if (TIFFCurrentDirectory(tif) != directory && !TIFFSetDirectory(tif, directory))
            Fail("cannot read page " + std::to_string(directory + 1), handle, path);
        ReadPage(handle, path, layouts[pages[z]], PlaneMat(*image, static_cast<int64_t>(z)), warnings);
    }
    TIFFSetDirectory(tif, directories[pages.front()]);
    SetPixelSize(*image, tif, axes);
    if (!warnings.empty()) {
        std::string joined;
        for (const std::string& warning : warnings)
            joined += (joined.empty() ? "" : "; ") + warning;
        image->Attributes().SetEntry("warning", new CValueString(joined));
    }
    return image.release();
}

void WriteTiff(const std::string& temporary, const std::string& path, const CImage& image, int compression)
{
    const ImageType type = image.Type();
    const bool mask = IsMaskType(type);
    const uint16_t samples = type == IMAGE_RGB_8 ? 3 : 1;
    const uint16_t bits = type == IMAGE_GREY_16 ? 16 : type == IMAGE_GREY_F ? 32 : 8;
    const CSize size = image.Size();
    const std::size_t rowBytes = std::size_t(size.Width()) * samples * bits / 8;
    // Deflate may grow data a little; the margin keeps a file near the limit from overflowing 32-bit offsets.
    const uint64_t estimate = uint64_t(rowBytes) * uint64_t(size.Height()) * uint64_t(size.Depth()) * 101 / 100 +
                              uint64_t(size.Depth()) * 4096;
    Handle handle;
    Open(handle, temporary, estimate > (uint64_t(1) << 32) - (uint64_t(1) << 26) ? "w8" : "w");
    if (!handle.tiff)
        Fail("cannot open the temporary file for writing", handle, path);
    TIFF* tif = handle.tiff;
    const uint32_t rowsPerStrip =
        static_cast<uint32_t>(std::clamp<int64_t>(int64_t(256 << 10) / int64_t(std::max<std::size_t>(rowBytes, 1)), 1,
                                                  size.Height()));
    std::vector<uint8_t> strip(rowBytes * rowsPerStrip);
    const std::string description = size.Depth() > 1 ? StackDescription(image) : std::string();
    for (int64_t z = 0; z < size.Depth(); ++z) {
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(size.Width()));
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(size.Height()));
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
        TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, type == IMAGE_GREY_F ? SAMPLEFORMAT_IEEEFP : SAMPLEFORMAT_UINT);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, samples == 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
        if (compression != 0) {
            TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
            TIFFSetField(tif, TIFFTAG_ZIPQUALITY, compression < 0 ? 1 : std::min(compression, 9));
            if (type != IMAGE_GREY_F)
                TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
        }
        if (z == 0 && !description.empty())
            TIFFSetField(tif, TIFFTAG_IMAGEDESCRIPTION, description.c_str());
        WriteResolution(tif, image.Attributes(), size.Depth() > 1);
        for (int64_t y0 = 0; y0 < size.Height(); y0 += rowsPerStrip) {
            const int64_t rows = std::min<int64_t>(rowsPerStrip, size.Height() - y0);
            const std::size_t bytes = rowBytes * std::size_t(rows);
            const auto* source = static_cast<const uint8_t*>(image.Row<uint8_t>(y0, z));
            // libtiff's encoders may change what they are given; the image stays untouched.
            if (mask)
                std::transform(source, source + bytes, strip.begin(), [](uint8_t v) { return v ? 255 : 0; });
            else
                std::memcpy(strip.data(), source, bytes);
            if (TIFFWriteEncodedStrip(tif, TIFFComputeStrip(tif, static_cast<uint32_t>(y0), 0), strip.data(),
                                      static_cast<tmsize_t>(bytes)) < 0)
                Fail("write error", handle, path);
        }
        if (!TIFFWriteDirectory(tif))
            Fail("write error", handle, path);
    }
    if (!TIFFFlush(tif))
        Fail("write error", handle, path);
    TIFFClose(tif);
    handle.tiff = nullptr;
}

} // namespace KORA::detail
