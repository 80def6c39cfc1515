#pragma once
// What produced a batch, as its header records it: the build, the run-time versions of the libraries
// beneath it, the plug-in libraries the process loaded (with their checksums), the command line, the host
// and its processor count.
//
// {"build": {"version", "revision", "date"}, "versions": {"Qt", "OpenCV", "libpng", "zlib", "oneTBB", ("libtiff")},
//  "plugins": [{"path", "xxh3"}], "command": [argument, ...], "host", "processors"}
// "libtiff" is in "versions" only when the base library links it; until then TIFF files go through
// OpenCV's codecs, whose own libtiff the OpenCV version stands for.
#include <nlohmann/json.hpp>

namespace VORNE {

nlohmann::json currentProvenance();

} // namespace VORNE
