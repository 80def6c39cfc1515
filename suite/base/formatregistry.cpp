#include "kora/formatregistry.h"

#include <cctype>

namespace KORA {

namespace {

constexpr const char* kNoPlugin = "";

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string BaseName(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

const std::vector<StFileFormat>& CFormatRegistry::Formats()
{
    using R = FileReader;
    static const std::vector<StFileFormat> formats = {
        {".png", "PNG", R::ImageCodec, FMT_PNG, kNoPlugin, true, false},
        {".jpg", "JPEG", R::ImageCodec, FMT_JPEG, kNoPlugin, true, false},
        {".jpeg", "JPEG", R::ImageCodec, FMT_JPEG, kNoPlugin, true, false},
        {".tif", "TIFF", R::ImageCodec, FMT_TIFF, kNoPlugin, true, false},
        {".tiff", "TIFF", R::ImageCodec, FMT_TIFF, kNoPlugin, true, false},
        {".pgm", "PGM", R::ImageCodec, FMT_PGM, kNoPlugin, true, false},
        {".ppm", "PPM", R::ImageCodec, FMT_PPM, kNoPlugin, true, false},
        {".pbm", "PBM", R::ImageCodec, FMT_PBM, kNoPlugin, true, false},
        {".pnm", "PNM", R::ImageCodec, FMT_PNM, kNoPlugin, true, false},
        {".pam", "PAM", R::ImageCodec, FMT_PAM, kNoPlugin, true, false},
        {".pfm", "PFM", R::ImageCodec, FMT_PFM, kNoPlugin, true, false},
        {".bmp", "BMP", R::ImageCodec, FMT_BMP, kNoPlugin, true, false},
        {".jp2", "JPEG 2000", R::ImageCodec, FMT_JP2, kNoPlugin, true, false},
        // A bare codestream; OpenCV's decoder tells it from .jp2 by its signature.
        {".j2k", "JPEG 2000 codestream", R::ImageCodec, FMT_JP2, kNoPlugin, false, false},
        {".gif", "GIF", R::ImageCodec, FMT_DECODER, kNoPlugin, false, false},
        {".tga", "TGA", R::ImageCodec, FMT_DECODER, kNoPlugin, false, false},
        {".ico", "ICO", R::ImageCodec, FMT_DECODER, kNoPlugin, false, false},
        {".iass", "IASS", R::ImageCodec, FMT_IASS, kNoPlugin, true, false},
        {".iass.gz", "IASS (gzip)", R::ImageCodec, FMT_IASS_GZ, kNoPlugin, true, false},
        // Text images a run does not parse itself: it lets the item convert them, through CImageIo2.
        {".ascii", "text image", R::ImageCodec, FMT_TEXT, kNoPlugin, false, false},
        {".asc", "text image", R::TextImage, FMT_TEXT, kNoPlugin, false, false},
        {".mark", "text image", R::TextImage, FMT_TEXT, kNoPlugin, false, false},
        {".txt", "text image", R::TextImage, FMT_TEXT, kNoPlugin, false, true},
        {".csv", "comma-separated values", R::LoaderPlugin, FMT_UNKNOWN, "%KORADIR%/bin/utility::ReadASCII", false,
         false},
        {".cine", "Cine recording", R::Cine, FMT_UNKNOWN, "%KORADIR%/bin/ferrow::ReadCine", false, false},
        {".rek", "REK volume", R::LoaderPlugin, FMT_UNKNOWN, "%KORADIR%/bin/RUXOkit_IO::LoadREK", false, false},
        {".rek.gz", "REK volume (gzip)", R::LoaderPlugin, FMT_UNKNOWN, "%KORADIR%/bin/RUXOkit_IO::LoadREK", false,
         false},
        {".fld", "AVS field", R::LoaderPlugin, FMT_UNKNOWN, "%KORADIR%/bin/RUXOkit_IO::LoadAVS", false, false},
        {".mrc", "MRC volume", R::LoaderPlugin, FMT_UNKNOWN, "%KORADIR%/bin/RUXOkit_IO::LoadMRC", false, false},
    };
    return formats;
}

const StFileFormat* CFormatRegistry::Find(const std::string& path)
{
    const std::string name = Lower(BaseName(path));
    const StFileFormat* best = nullptr;
    std::size_t bestLength = 0;
    for (const StFileFormat& format : Formats()) {
        const std::string extension = format.extension;
        if (name.size() > extension.size() && extension.size() > bestLength &&
            name.compare(name.size() - extension.size(), extension.size(), extension) == 0) {
            best = &format;
            bestLength = extension.size();
        }
    }
    return best;
}

std::string CFormatRegistry::LastExtension(const std::string& path)
{
    const std::string name = BaseName(path);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? std::string() : Lower(name.substr(dot));
}

std::string CFormatRegistry::NoReaderReason(const std::string& path)
{
    if (Find(path))
        return std::string();
    const std::string extension = LastExtension(path);
    return extension.empty() ? "no extension" : "no reader for " + extension;
}

} // namespace KORA
