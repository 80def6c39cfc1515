#include "kora/imageio.h"

#include <opencv2/core/utils/logger.hpp>
#include <opencv2/imgcodecs.hpp> // the IMWRITE_ constants; the codecs themselves come through opencvcodecs.h
#include <opencv2/imgproc.hpp>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include "iassformat.h"
#include "kora/formatregistry.h"
#include "kora/opencv.h"
#include "kora/textimage.h"
#include "opencvcodecs.h"
#include "imagedecoders.h"
#include "pngcodec.h"
#include "tiffcodec.h"

namespace KORA {

namespace {

using StFormat = StFileFormat;

std::string BaseName(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

const StFormat& RequireFormat(const std::string& path)
{
    const StFormat* format = CFormatRegistry::Find(path);
    if (!format || format->codec == FMT_UNKNOWN) {
        const std::string extension = CFormatRegistry::LastExtension(path);
        throw CExIo(extension.empty() ? "unsupported image format (the name has no extension)"
                                      : "unsupported image format \"" + extension + "\"",
                    path);
    }
    return *format;
}

// Our errors reach the user as exceptions; OpenCV's own log lines would only repeat them on the console.
void QuietOpenCv()
{
    static std::once_flag once;
    std::call_once(once, [] { cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_ERROR); });
}

// ---- loading ----

void AddWarning(std::vector<std::string>& warnings, const std::string& warning)
{
    if (std::find(warnings.begin(), warnings.end(), warning) == warnings.end())
        warnings.push_back(warning);
}

// One decoded page in our types: depth 8U, 16U or 32F; 1 channel, or 3 channels of 8U in R, G, B order.
cv::Mat NormalisePage(cv::Mat mat, std::vector<std::string>& warnings, const std::string& path)
{
    if (mat.depth() != CV_8U && mat.depth() != CV_16U && mat.depth() != CV_32F) {
        mat.convertTo(mat, CV_MAKETYPE(CV_32F, mat.channels()));
        AddWarning(warnings, "pixels converted to single-precision floating point");
    }
    switch (mat.channels()) {
    case 1:
        break;
    case 2: {
        cv::Mat grey;
        cv::extractChannel(mat, grey, 0);
        mat = grey;
        AddWarning(warnings, "alpha channel dropped");
        break;
    }
    case 3:
        cv::cvtColor(mat, mat, cv::COLOR_BGR2RGB);
        break;
    case 4:
        cv::cvtColor(mat, mat, cv::COLOR_BGRA2RGB);
        AddWarning(warnings, "alpha channel dropped");
        break;
    default:
        throw CExIo("cannot load an image of " + std::to_string(mat.channels()) + " channels", path);
    }
    if (mat.channels() == 3 && mat.depth() == CV_16U) {
        mat.convertTo(mat, CV_8UC3, 1.0 / 257.0);
        AddWarning(warnings, "16-bit colour reduced to 8 bits per channel");
    } else if (mat.channels() == 3 && mat.depth() == CV_32F) {
        cv::cvtColor(mat, mat, cv::COLOR_RGB2GRAY);
        AddWarning(warnings, "floating-point colour converted to grey");
    }
    return mat;
}

ImageType TypeOfMat(const cv::Mat& mat)
{
    switch (mat.type()) {
    case CV_8UC1:
        return IMAGE_GREY_8;
    case CV_16UC1:
        return IMAGE_GREY_16;
    case CV_8UC3:
        return IMAGE_RGB_8;
    default:
        return IMAGE_GREY_F;
    }
}

std::string ReadWhole(const std::string& path)
{
    std::string bytes;
    if (!ReadTextImageFile(path.c_str(), bytes))
        throw CExIo(std::string("cannot read: ") + std::strerror(errno), path);
    return bytes;
}

std::vector<cv::Mat> Decode(const std::string& path, const StFormat& format)
{
    std::vector<cv::Mat> pages;
    try {
        // No default: a codec without its decoder stops the build (warnings are errors in CI).
        switch (format.codec) {
        case FMT_DECODER:
            if (const ImageDecoder decoder = ImageDecoders::Find(format.name))
                pages.push_back(decoder(ReadWhole(path), path));
            break;
        case FMT_PNG:
        case FMT_JPEG:
        case FMT_PGM:
        case FMT_PPM:
        case FMT_PBM:
        case FMT_PNM:
        case FMT_PAM:
        case FMT_PFM:
        case FMT_BMP:
        case FMT_JP2: {
            cv::Mat mat;
            if (format.codec != FMT_PNG || !detail::ReadPlainPng(path, mat))
                mat = detail::Codecs().read(path);
            if (!mat.empty())
                pages.push_back(mat);
            break;
        }
        // Read without OpenCV, by CImageIo2::Load itself.
        case FMT_TIFF:
        case FMT_IASS:
        case FMT_IASS_GZ:
        case FMT_TEXT:
        case FMT_UNKNOWN:
            break;
        }
    } catch (const cv::Exception& e) {
        throw CExIo(std::string("cannot decode the ") + format.name + " file: " + e.err, path);
    }
    if (pages.empty() || std::any_of(pages.begin(), pages.end(), [](const cv::Mat& m) { return m.empty(); }))
        throw CExIo(std::string("cannot decode the ") + format.name + " file (corrupt, truncated or not " +
                        format.name + ")",
                    path);
    return pages;
}

std::vector<unsigned char> ReadFile(const std::string& path)
{
    std::vector<unsigned char> bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return bytes;
    unsigned char chunk[65536];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(file);
    return bytes;
}

uint32_t Be32(const unsigned char* b)
{
    return (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | uint32_t(b[3]);
}

// libpng stops at a wrong checksum of a critical chunk (IHDR, IDAT, ...; an upper-case first letter) but
// drops an ancillary chunk with a wrong one in silence. Only those are read, so that the check costs a few
// small reads rather than a second pass over the image data.
void CheckPngChunks(const std::string& path, std::vector<std::string>& warnings)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return;
    std::vector<unsigned char> data;
    unsigned char header[8];
    struct stat info;
    if (fstat(fileno(file), &info) == 0 && std::fseek(file, 8, SEEK_SET) == 0) {
        while (std::fread(header, 1, 8, file) == 8) {
            const uint32_t length = Be32(header);
            if (length > info.st_size - std::ftell(file)) // cut short; the decoder has said so
                break;
            if (!(header[4] & 0x20)) { // critical: libpng checks it
                if (std::fseek(file, static_cast<long>(length) + 4, SEEK_CUR) != 0)
                    break;
                continue;
            }
            data.resize(std::size_t(length) + 4);
            if (std::fread(data.data(), 1, data.size(), file) != data.size())
                break;
            uLong crc = crc32(crc32(0L, Z_NULL, 0), header + 4, 4);
            crc = crc32(crc, data.data(), length);
            if (crc != Be32(&data[length]))
                AddWarning(warnings, "PNG chunk \"" + std::string(reinterpret_cast<const char*>(header + 4), 4) +
                                         "\" has a wrong checksum");
        }
    }
    std::fclose(file);
}

// The codecs repair what they can without telling: libpng skips a damaged ancillary chunk, libjpeg fills
// the rows of a cut file with grey. Both are visible in the file itself.
void CheckContainer(const std::string& path, const StFormat& format, std::vector<std::string>& warnings)
{
    if (format.codec == FMT_JPEG) {
        std::vector<unsigned char> bytes = ReadFile(path);
        while (!bytes.empty() && bytes.back() == 0)
            bytes.pop_back();
        if (bytes.size() < 2 || bytes[bytes.size() - 2] != 0xFF || bytes.back() != 0xD9)
            AddWarning(warnings, "truncated JPEG data: the missing rows are filled in");
    } else if (format.codec == FMT_PNG) {
        CheckPngChunks(path, warnings);
    }
}

CImage* LoadWithOpenCv(const std::string& path, const StFormat& format)
{
    QuietOpenCv();
    std::vector<cv::Mat> pages = Decode(path, format);
    std::vector<std::string> warnings;
    CheckContainer(path, format, warnings);
    for (cv::Mat& page : pages)
        page = NormalisePage(page, warnings, path);
    const cv::Mat& first = pages.front();
    for (std::size_t z = 1; z < pages.size(); ++z)
        if (pages[z].size() != first.size() || pages[z].type() != first.type())
            throw CExIo("page " + std::to_string(z + 1) + " differs from the first page in size or pixel type",
                        path);

    const ImageType type = format.codec == FMT_PBM && first.type() == CV_8UC1 ? IMAGE_BOOL : TypeOfMat(first);
    std::unique_ptr<CImage> image;
    try {
        image = std::make_unique<CImage>(type, CSize(first.cols, first.rows, static_cast<int64_t>(pages.size())));
    } catch (const CException& e) {
        throw CExIo(e.Message(), path);
    }
    for (std::size_t z = 0; z < pages.size(); ++z) {
        cv::Mat plane = PlaneMat(*image, static_cast<int64_t>(z));
        pages[z].copyTo(plane);
        if (type == IMAGE_BOOL)
            cv::min(plane, 1, plane);
    }
    if (!warnings.empty()) {
        std::string text;
        for (const std::string& warning : warnings)
            text += (text.empty() ? "" : "; ") + warning;
        image->Attributes().SetEntry("warning", new CValueString(text));
    }
    return image.release();
}

void CheckReadable(const std::string& path)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        throw CExIo(errno == ENOENT ? std::string("no such file") : std::string("cannot open: ") + std::strerror(errno),
                    path);
    if (S_ISDIR(st.st_mode))
        throw CExIo("is a directory", path);
    if (!S_ISREG(st.st_mode))
        throw CExIo("is not a regular file", path);
    if (access(path.c_str(), R_OK) != 0)
        throw CExIo(std::string("cannot open: ") + std::strerror(errno), path);
    if (st.st_size == 0)
        throw CExIo("the file is empty", path);
}

// ---- saving ----

bool CanHold(ImageCodec format, ImageType type, bool threeD)
{
    if (threeD && format != FMT_TIFF && format != FMT_IASS && format != FMT_IASS_GZ)
        return false;
    const bool grey8 = type == IMAGE_GREY_8 || IsMaskType(type);
    switch (format) {
    case FMT_IASS:
    case FMT_IASS_GZ:
        return ImagePixelSize(type) != 0;
    case FMT_TIFF:
        return grey8 || type == IMAGE_GREY_16 || type == IMAGE_RGB_8 || type == IMAGE_GREY_F;
    case FMT_PNG:
    case FMT_PNM:
    case FMT_JP2:
        return grey8 || type == IMAGE_GREY_16 || type == IMAGE_RGB_8;
    // OpenCV's PAM codec does not read back its own 16-bit samples in the right byte order.
    case FMT_PAM:
        return grey8 || type == IMAGE_RGB_8;
    case FMT_PGM:
        return grey8 || type == IMAGE_GREY_16;
    case FMT_JPEG:
    case FMT_BMP:
        return grey8 || type == IMAGE_RGB_8;
    case FMT_PPM:
        return type == IMAGE_RGB_8;
    case FMT_PBM:
        return IsMaskType(type);
    case FMT_PFM:
        return type == IMAGE_GREY_F;
    case FMT_DECODER:
    case FMT_TEXT:
    case FMT_UNKNOWN:
        break;
    }
    return false;
}

// A plane as OpenCV's codecs want it: B, G, R order, masks as 0 and 255.
cv::Mat EncoderPlane(const CImage& image, int64_t z)
{
    cv::Mat plane = PlaneMat(image, z);
    cv::Mat out;
    if (image.Type() == IMAGE_RGB_8)
        cv::cvtColor(plane, out, cv::COLOR_RGB2BGR);
    else if (IsMaskType(image.Type()))
        cv::compare(plane, 0, out, cv::CMP_NE);
    else
        out = plane;
    return out;
}

std::vector<int> EncoderParams(ImageCodec format, const StImgSaveCfg& config)
{
    switch (format) {
    case FMT_PNG:
        return {cv::IMWRITE_PNG_COMPRESSION, config.compression >= 0 ? std::min(config.compression, 9) : 1};
    case FMT_JPEG:
        if (config.quality >= 0)
            return {cv::IMWRITE_JPEG_QUALITY, std::min(config.quality, 100)};
        break;
    case FMT_JP2:
        if (config.quality >= 0)
            return {cv::IMWRITE_JPEG2000_COMPRESSION_X1000, std::min(config.quality, 100) * 10};
        break;
    case FMT_PGM:
    case FMT_PPM:
    case FMT_PBM:
    case FMT_PNM:
        return {cv::IMWRITE_PXM_BINARY, 1};
    case FMT_PAM:
    case FMT_PFM:
    case FMT_BMP:
    case FMT_TIFF:
    case FMT_DECODER:
    case FMT_IASS:
    case FMT_IASS_GZ:
    case FMT_TEXT:
    case FMT_UNKNOWN:
        break;
    }
    return {};
}

// Every write, the flush to the disk and the close are checked: a full disk must fail the save, never
// leave a short file that is then renamed into place.
void WriteBytes(const std::string& temporary, const std::string& path, const unsigned char* data, std::size_t size)
{
    const int fd = open(temporary.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0)
        throw CExIo(std::string("cannot open the temporary file for writing: ") + std::strerror(errno), path);
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const std::string reason = n < 0 ? std::strerror(errno) : "nothing was written";
            close(fd);
            throw CExIo("write error: " + reason, path);
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    const bool synced = fsync(fd) == 0;
    const int syncError = errno;
    if (close(fd) != 0 || !synced)
        throw CExIo(std::string("write error: ") + std::strerror(synced ? errno : syncError), path);
}

// For files a codec or zlib wrote by itself: their data must reach the disk before the rename.
void SyncFile(const std::string& temporary, const std::string& path)
{
    const int fd = open(temporary.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || fsync(fd) != 0) {
        const std::string reason = std::strerror(errno);
        if (fd >= 0)
            close(fd);
        throw CExIo("write error: " + reason, path);
    }
    close(fd);
}

void WriteWithOpenCv(const std::string& temporary, const std::string& path, const CImage& image,
                     const StFormat& format, const StImgSaveCfg& config, const CImageIo2::EncodedBytes& written)
{
    QuietOpenCv();
    // Only TIFF and IASS hold stacks, and neither is written here.
    const std::vector<cv::Mat> planes{EncoderPlane(image, 0)};
    const std::vector<int> params = EncoderParams(format.codec, config);
    bool ok = false;
    std::string detail;
    std::vector<unsigned char> bytes;
    try {
        // Encoding into memory leaves the writing to us: some of OpenCV's file writers drop write errors.
        ok = (format.codec == FMT_PNG && detail::EncodePlainPng(planes.front(), params.at(1), bytes)) ||
             detail::Codecs().encode(format.extension, planes.front(), bytes, params);
    } catch (const cv::Exception& e) {
        detail = ": " + e.err;
    }
    if (!ok)
        throw CExIo(std::string("the ") + format.name + " encoder failed" + detail, path);
    if (written)
        written(bytes.data(), bytes.size());
    WriteBytes(temporary, path, bytes.data(), bytes.size());
}

std::string HostName()
{
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return "host";
    std::string host(name);
    std::replace(host.begin(), host.end(), '~', '_');
    return host;
}

// Temporaries being written now, so that a process stopped by a signal can remove them.
std::mutex g_partialsMutex;
std::set<std::string> g_partials;

// Reserves a new, unique name beside the target: the fixed prefix, this host and process (so that a
// later run can tell a leftover of a killed process from a file another process is writing), and the
// target's name, which keeps the codec chosen by extension the same.
std::string ReserveTemporary(const std::string& path)
{
    static std::atomic<unsigned> counter{0};
    static const std::string host = HostName();
    const std::size_t slash = path.rfind('/');
    const std::string directory = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = BaseName(path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string temporary = directory + CImageIo2::kPartialPrefix + host + "~" +
                                      std::to_string(getpid()) + "~" + std::to_string(counter++) + "~" + name;
        const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            close(fd);
            std::lock_guard<std::mutex> lock(g_partialsMutex);
            g_partials.insert(temporary);
            return temporary;
        }
        if (errno != EEXIST) {
            const std::string reason = std::strerror(errno);
            throw CExIo("cannot create a file in \"" + (directory.empty() ? std::string(".") : directory) +
                            "\": " + reason,
                        path);
        }
    }
    throw CExIo("cannot find a free temporary name beside the file", path);
}

void ForgetTemporary(const std::string& temporary)
{
    std::lock_guard<std::mutex> lock(g_partialsMutex);
    g_partials.erase(temporary);
}

} // namespace

CImage* CImageIo2::Load(const char* pathText, const StImgLoadCfg& config)
{
    const std::string path = pathText ? pathText : "";
    const StFormat& format = RequireFormat(path);
    CheckReadable(path);
    try {
        if (format.codec == FMT_IASS || format.codec == FMT_IASS_GZ)
            return IassFormat::Load(path, format.codec == FMT_IASS_GZ);
        if (format.codec == FMT_TEXT)
            return LoadTextImage(path);
        if (format.codec == FMT_TIFF)
            return detail::ReadTiff(path, config);
        return LoadWithOpenCv(path, format);
    } catch (const CExIo&) {
        throw;
    } catch (const CException& e) {
        throw CExIo(e.Message(), path);
    } catch (const std::bad_alloc&) {
        throw CExIo("not enough memory to load the image", path);
    } catch (const cv::Exception& e) {
        throw CExIo(std::string("cannot decode: ") + e.err, path);
    }
}

StImageHeader CImageIo2::ReadHeader(const char* pathText)
{
    const std::string path = pathText ? pathText : "";
    if (RequireFormat(path).codec == FMT_TIFF) {
        CheckReadable(path);
        try {
            return detail::ReadTiffHeader(path);
        } catch (const std::bad_alloc&) {
            throw CExIo("not enough memory to read the header", path);
        }
    }
    const std::unique_ptr<CImage> image(Load(pathText));
    const CValueMap& attributes = image->Attributes();
    StImageHeader header;
    header.size = image->Size();
    header.type = image->Type();
    header.pixelSizeX = attributes.EntryDouble("pixel_size_x", 0);
    header.pixelSizeY = attributes.EntryDouble("pixel_size_y", 0);
    header.pixelSizeZ = attributes.EntryDouble("pixel_size_z", 0);
    header.pixelUnit = attributes.HasEntry("pixel_unit", GT_STRING) ? attributes.EntryString("pixel_unit") : "";
    return header;
}

void CImageIo2::Save(const char* path, const CImage& image, const StImgSaveCfg& config)
{
    Save(path, image, config, EncodedBytes());
}

void CImageIo2::Save(const char* pathText, const CImage& image, const StImgSaveCfg& config, const EncodedBytes& written)
{
    const std::string path = pathText ? pathText : "";
    const StFormat& format = RequireFormat(path);
    if (!format.writable)
        throw CExIo(std::string("cannot save ") + format.name + " files, only read them", path);
    if (image.Empty())
        throw CExIo("cannot save an empty image", path);
    const bool threeD = image.Size().Depth() > 1;
    if (!CanHold(format.codec, image.Type(), threeD)) {
        if (threeD && CanHold(format.codec, image.Type(), false))
            throw CExIo(std::string("a 3-D image (") + image.Size().ToString() + ") cannot be saved as " +
                            format.name + "; use TIFF or IASS",
                        path);
        throw CExIo(std::string("a ") + ImageTypeName(image.Type()) + " image cannot be saved as " + format.name,
                    path);
    }

    const std::string temporary = ReserveTemporary(path);
    try {
        if (format.codec == FMT_IASS || format.codec == FMT_IASS_GZ) {
            const int level = config.compression < 0 ? 1 : std::min(config.compression, 9);
            IassFormat::Save(temporary, path, image, format.codec == FMT_IASS_GZ, level);
            SyncFile(temporary, path);
        } else if (format.codec == FMT_TIFF) {
            detail::WriteTiff(temporary, path, image, config.compression);
            SyncFile(temporary, path);
        } else {
            WriteWithOpenCv(temporary, path, image, format, config, written);
        }
        if (std::rename(temporary.c_str(), path.c_str()) != 0)
            throw CExIo(std::string("cannot move the written file into place: ") + std::strerror(errno), path);
        ForgetTemporary(temporary);
    } catch (...) {
        std::remove(temporary.c_str());
        ForgetTemporary(temporary);
        try {
            throw;
        } catch (const CExIo&) {
            throw;
        } catch (const CException& e) {
            throw CExIo(e.Message(), path);
        } catch (const std::bad_alloc&) {
            throw CExIo("not enough memory to save the image", path);
        } catch (const cv::Exception& e) {
            throw CExIo(std::string("cannot encode: ") + e.err, path);
        }
    }
}

} // namespace KORA

namespace KORA {

bool CImageIo2::IsLeftover(const char* fileName, std::string* target)
{
    const std::string name = fileName ? fileName : "";
    const std::size_t prefix = std::strlen(kPartialPrefix);
    if (name.compare(0, prefix, kPartialPrefix) != 0)
        return false;
    // host~pid~counter~target
    std::size_t fields[3];
    std::size_t at = prefix;
    for (std::size_t& field : fields) {
        field = name.find('~', at);
        if (field == std::string::npos)
            return false;
        at = field + 1;
    }
    static const std::string host = HostName();
    if (name.compare(prefix, fields[0] - prefix, host) != 0)
        return false; // another machine's process may still be writing it
    const std::string pidText = name.substr(fields[0] + 1, fields[1] - fields[0] - 1);
    if (pidText.empty() || pidText.find_first_not_of("0123456789") != std::string::npos || pidText.size() > 9)
        return false;
    const pid_t pid = static_cast<pid_t>(std::stol(pidText));
    if (pid == getpid() || kill(pid, 0) == 0 || errno != ESRCH)
        return false;
    if (target)
        *target = name.substr(fields[2] + 1);
    return true;
}

void CImageIo2::LoadCodecs()
{
    detail::Codecs();
}

int CImageIo2::RemovePartialFiles()
{
    std::lock_guard<std::mutex> lock(g_partialsMutex);
    int removed = 0;
    for (const std::string& temporary : g_partials)
        removed += std::remove(temporary.c_str()) == 0 ? 1 : 0;
    g_partials.clear();
    return removed;
}

} // namespace KORA
