#pragma once
// The suite's own n-D image format: the line "IASS 1", one line holding the compact text serialization of
// {"type", "size", "origin", "attributes"}, then the raw little-endian pixels. ".iass.gz" is the same
// byte stream through gzip.
#include <string>

#include "kora/image.h"

namespace KORA {
namespace IassFormat {

// A new image the caller owns; CExIo naming path on any fault of the file.
CImage* Load(const std::string& path, bool gzip);
// Writes to exactly path (the caller takes care of temporary names). level: gzip level 0..9, ignored
// without gzip. CExIo naming displayName on failure.
void Save(const std::string& path, const std::string& displayName, const CImage& image, bool gzip, int level);

} // namespace IassFormat
} // namespace KORA
