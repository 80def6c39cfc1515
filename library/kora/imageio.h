#pragma once
// Image files. Formats by extension, case-insensitive, as CFormatRegistry lists them with a codec: png,
// jpg/jpeg, tif/tiff (several pages make a 3-D image; channels and time points need IMG_LOAD_PLANE),
// pgm/ppm/pbm/pnm/pam/pfm, bmp, jp2/j2k, gif and tga (the first frame), ico (its largest entry), iass,
// iass.gz, and text images (asc/ascii/mark/txt). Every failure is a CExIo whose source is the file's path
// and whose message says what is wrong.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "kora/image.h"

namespace KORA {

// StImgLoadCfg::flags
enum : int32_t {
    // channel and timePoint choose what a TIFF file with channels or time points (ImageJ or OME axes) gives:
    // the Z stack of that channel at that time point. Without it such a file is refused.
    IMG_LOAD_PLANE = 1,
};

// Zero-initialised settings load every format in its own type.
struct StImgLoadCfg
{
    int32_t flags = 0;
    int32_t channel = 0;   // counted from 0, with IMG_LOAD_PLANE
    int64_t timePoint = 0; // counted from 0, with IMG_LOAD_PLANE
};

// In this order: {-1, 0, 0, -1, 0} are the defaults of every codec.
struct StImgSaveCfg
{
    int32_t quality = -1;     // jpg, jp2: 0..100; -1 = the codec's default
    int32_t flags = 0;        // none defined yet
    int64_t reserved0 = 0;
    int32_t compression = -1; // png 0..9 (-1 = 1, fast); tif and iass.gz: any value but 0 compresses
    int64_t reserved1 = 0;
};

// What an image file holds. TIFF files answer from their tags and description without decoding a pixel,
// so that a tool can look at the axes of a large hyperstack; every other format has one channel and one
// time point and is loaded to answer (none of them declares its sizes in a way that is worth a second
// reader, and this keeps each format's checks in one place).
struct StImageHeader
{
    CSize size;                    // width, height and Z planes of one channel at one time point
    ImageType type = IMAGE_GREY_8; // as a load gives it
    int64_t channels = 1;
    int64_t timePoints = 1;
    std::string axes;              // who said so: "ImageJ", "OME", "TIFF" (pages as planes), or empty
    // 0 = not given; the same values and unit a load puts into the pixel-size attributes.
    double pixelSizeX = 0, pixelSizeY = 0, pixelSizeZ = 0;
    std::string pixelUnit;
};

class KORA_API CImageIo2
{
public:
    // A new image the caller owns. What was lost or changed while loading (alpha dropped, a truncated
    // file) is said in the string attribute "warning". A TIFF file's pixel size becomes the double
    // attributes "pixel_size_x", "pixel_size_y", "pixel_size_z" (stacks) and the string "pixel_unit"
    // ("µm" for micrometres); TIFF and IASS outputs write them back.
    static CImage* Load(const char* path, const StImgLoadCfg& config = StImgLoadCfg());
    // The file's sizes and axes (StImageHeader); throws CExIo as Load does for a file it cannot read.
    static StImageHeader ReadHeader(const char* path);
    // Writes to a temporary file beside the target and renames it into place: no half-written file ever
    // carries the final name. Refuses a type the format cannot hold.
    // Every write, the flush and the close are checked; a failed save removes its temporary file.
    static void Save(const char* path, const CImage& image, const StImgSaveCfg& config = StImgSaveCfg());
    // The same, handing the encoded file to `written` before it goes to the disk, so that a checksum of
    // what was saved costs no second read. Formats whose writer goes to the file itself (several pages of
    // TIFF, iass) never call it: the caller reads the file back when it needs the bytes.
    using EncodedBytes = std::function<void(const unsigned char* data, std::size_t size)>;
    static void Save(const char* path, const CImage& image, const StImgSaveCfg& config, const EncodedBytes& written);

    // Loads OpenCV's codecs now; otherwise the first file that needs them does (plain PNG files never do).
    // A process about to fork workers loads them first, so that each worker does not load them again.
    // Throws CExIo when the module cannot be loaded.
    static void LoadCodecs();
    // Temporary files begin with this prefix, followed by "host~pid~counter~" and the target's file name.
    static constexpr const char* kPartialPrefix = ".kora-partial~";
    // True when fileName (without directory) is the temporary file of a process on this host that no
    // longer runs; target then receives the name the save was meant to have.
    static bool IsLeftover(const char* fileName, std::string* target);
    // Removes the temporary files this process is writing right now (for a process about to exit on a
    // signal) and says how many there were.
    static int RemovePartialFiles();
};

} // namespace KORA
