#pragma once
// What produced a batch, as its header records it: the build, the run-time versions of the libraries
// beneath it, the plug-in libraries the process loaded (with their checksums), the command line, the host
// and its processor count.
//
// {"build": {"version", "revision", "date"}, "versions": {"Qt", "OpenCV", "libpng", "zlib", "oneTBB"},
//  "plugins": [{"path", "xxh3"}], "command": [argument, ...], "host", "processors"}
// libtiff has no entry: VORNE does not link it (TIFF files go through OpenCV's codecs, whose own libtiff
// the OpenCV version stands for).
#include <nlohmann/json.hpp>

namespace VORNE {

nlohmann::json currentProvenance();

} // namespace VORNE
