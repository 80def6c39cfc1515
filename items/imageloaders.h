#pragma once
// The loader plug-ins an image-file item falls back on when the base library's image reader refuses its
// file, chosen by extension from a fixed table. The format registry (kora/formatregistry.h) names the
// same plug-ins for the same extensions; a test holds the two together.
#include <string>
#include <vector>

namespace KORA {
class CImage;
}

namespace VORNE {

struct LoaderRow
{
    std::string extension; // lower case, without the dot: "rek.gz"
    std::string plugin;
    std::string parameter;
};

// Built on first use (a function-local static, so thread-safe) and never changed; a row of empty
// strings marks its end.
const std::vector<LoaderRow>& imageLoaderTable();

// "rek" for "a.REK", "rek.gz" for "a.Rek.Gz"; the whole path when there is no dot.
std::string imageFileExtension(const std::string& path);

// The first image a loader plug-in of the table returns for the file; null when no row fits or no
// plug-in gives an image. Throws what the runner throws.
KORA::CImage* loadWithPlugins(const std::string& path);

} // namespace VORNE
