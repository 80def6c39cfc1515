#pragma once
// The one list of the file formats the suite reads: for each extension, who reads it and whether it can
// be written. Folder scans, drops, an item's conversion and a run's input loading all ask here, so that a
// new input format is one row in formatregistry.cpp plus its reader (for an image format, a decoder that
// registers itself under the row's name: suite/base/imagedecoders.h). Read-only after start; thread-safe.
#include <string>
#include <vector>

#include "kora/export.h"

namespace KORA {

// Who reads a file of the format.
enum class FileReader {
    ImageCodec,   // CImageIo2::Load decodes it (codec says how)
    TextImage,    // numbers in lines; a run parses it itself, CImageIo2::Load reads it the same way
    LoaderPlugin, // the loader plug-in entry `plugin` reads it
    Cine,         // recordings: a run calls the entry `plugin`; the item's loader table names its twin
};

// The decoder inside CImageIo2. FMT_DECODER: a read-only format whose decoder, in the suite's own files,
// is found by the format's name; a new format read that way needs no value here.
enum ImageCodec {
    FMT_UNKNOWN, FMT_PNG, FMT_JPEG, FMT_TIFF, FMT_PGM, FMT_PPM, FMT_PBM, FMT_PNM, FMT_PAM, FMT_PFM, FMT_BMP,
    FMT_JP2, FMT_IASS, FMT_IASS_GZ, FMT_TEXT, FMT_DECODER,
};

struct StFileFormat
{
    const char* extension; // lower case, with its dot: ".png", ".iass.gz"
    const char* name;      // for messages: "PNG"
    FileReader reader;
    ImageCodec codec;      // FMT_UNKNOWN unless CImageIo2::Load reads it
    const char* plugin;    // the loader plug-in entry, "%KORADIR%/bin/utility::ReadASCII"; empty when none
    bool writable;         // CImageIo2::Save writes it
    bool textList;         // added in the window, it is a list of image files rather than an image
};

class KORA_API CFormatRegistry
{
public:
    static const std::vector<StFileFormat>& Formats();
    // The format whose extension ends the file name of path, ignoring ASCII case, the longest one
    // (".iass.gz" before a plain ".gz"); null when none does or nothing precedes the extension.
    static const StFileFormat* Find(const std::string& path);
    // The file name's last extension as a user would name it, lower case with its dot (".tga"); empty
    // when the name has none. For messages about files Find does not know.
    static std::string LastExtension(const std::string& path);
    // Why no reader takes the file: "no reader for .md", "no extension"; empty when Find knows it.
    static std::string NoReaderReason(const std::string& path);
};

} // namespace KORA
