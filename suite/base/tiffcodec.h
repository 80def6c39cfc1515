#pragma once
// TIFF files read and written with libtiff itself: every layout libtiff decodes, the axes of ImageJ and
// OME descriptions (tiffaxes.h) and the pixel size. Files that OpenCV's reader loaded come out as they did
// there (colour order, alpha dropped, 16-bit colour reduced to 8 bits, signed samples widened to float).
#include <string>

#include "kora/imageio.h"

namespace KORA::detail {

// Throws CExIo naming path and the reason.
CImage* ReadTiff(const std::string& path, const StImgLoadCfg& config);

// The sizes, axes and pixel size from the tags and description alone; throws CExIo as ReadTiff does for a
// file whose pages or axes it would refuse.
StImageHeader ReadTiffHeader(const std::string& path);

// Writes image to temporary (which exists and is empty); errors name path. Compression as
// StImgSaveCfg::compression; an output that may pass 4 GiB is written as BigTIFF.
void WriteTiff(const std::string& temporary, const std::string& path, const CImage& image, int compression);

} // namespace KORA::detail
