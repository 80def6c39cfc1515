#pragma once
// Image files. Formats by extension, case-insensitive, as CFormatRegistry lists them with a codec: png,
// jpg/jpeg, tif/tiff (several pages make a 3-D image), pgm/ppm/pbm/pnm/pam/pfm, bmp, jp2/j2k, gif and tga
// (the first frame), ico (its largest entry), iass, iass.gz, and text images (asc/ascii/mark/txt). Every
// failure is a CExIo whose source is the file's path and whose message says what is wrong.
#include <cstdint>

#include "kora/image.h"

namespace KORA {

// Zero-initialised settings load every format in its own type.
struct StImgLoadCfg
{
    int32_t flags = 0;
    int32_t reserved0 = 0;
    int64_t reserved1 = 0;
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

class KORA_API CImageIo2
{
public:
    // A new image the caller owns. What was lost or changed while loading (alpha dropped, a truncated
    // file) is said in the string attribute "warning".
    static CImage* Load(const char* path, const StImgLoadCfg& config = StImgLoadCfg());
    // Writes to a temporary file beside the target and renames it into place: no half-written file ever
    // carries the final name. Refuses a type the format cannot hold.
    static void Save(const char* path, const CImage& image, const StImgSaveCfg& config = StImgSaveCfg());
};

} // namespace KORA
