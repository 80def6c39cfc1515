#include "loadavs.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <vector>

#include "bytesource.h"
#include "kora/exception.h"

namespace ruxokit {

using loaderkit::CByteSource;

namespace {
constexpr std::size_t kMaxHeader = 64 * 1024;

// key=value pairs of the header text; the first "variable" line's pairs are stored with the prefix
// "variable.".
std::map<std::string, std::string> ParseHeader(const std::string& text)
{
    std::map<std::string, std::string> keys;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        line = line.substr(0, line.find('#'));
        std::istringstream words(line);
        std::string word, prefix;
        bool first = true;
        while (words >> word) {
            if (first && word == "variable")
                prefix = "variable.";
            first = false;
            const std::size_t equals = word.find('=');
            if (equals != std::string::npos && !keys.count(prefix + word.substr(0, equals)))
                keys[prefix + word.substr(0, equals)] = word.substr(equals + 1);
        }
    }
    return keys;
}

int64_t Number(const std::map<std::string, std::string>& keys, const std::string& key, int64_t fallback,
               const std::string& path)
{
    const auto found = keys.find(key);
    if (found == keys.end())
        return fallback;
    try {
        std::size_t used = 0;
        const long long value = std::stoll(found->second, &used);
        if (used == found->second.size())
            return value;
    } catch (const std::exception&) {
    }
    throw KORA::CExIo("'" + path + "': " + key + "=" + found->second + " is not a whole number", path);
}

// The data file, which must lie in the .fld file's folder (or below it) once symbolic links of both are
// resolved: a link beside the header must not reach elsewhere.
std::string DataFilePath(const std::string& fld, const std::string& name)
{
    const auto outside = [&] {
        return KORA::CExIo("'" + fld + "' names the data file '" + name + "' outside its own folder", fld);
    };
    if (name.empty() || name[0] == '/')
        throw outside();
    std::error_code error;
    const std::filesystem::path folder =
        std::filesystem::canonical(std::filesystem::absolute(fld, error).parent_path(), error);
    if (error)
        throw KORA::CExIo("cannot resolve the folder of '" + fld + "': " + error.message(), fld);
    const std::filesystem::path data = std::filesystem::weakly_canonical(folder / name, error);
    if (error)
        throw KORA::CExIo("cannot resolve the data file '" + name + "' of '" + fld + "': " + error.message(), fld);
    const auto [end, unused] = std::mismatch(folder.begin(), folder.end(), data.begin(), data.end());
    if (end != folder.end() || data == folder)
        throw outside();
    return data.string();
}
} // namespace

KORA::CImage* LoadAVS::Load(const std::string& path)
{
    const CByteSource fld = CByteSource::OpenFile(path);
    std::string text(static_cast<std::size_t>(std::min<uint64_t>(fld.Size(), kMaxHeader)), '\0');
    fld.Read(0, text.data(), text.size(), "the header");
    if (text.rfind("# AVS", 0) != 0)
        throw KORA::CExIo("'" + path + "' is not an AVS field file (it does not start with \"# AVS\")", path);
    const std::size_t formFeeds = text.find("\f\f");
    if (formFeeds != std::string::npos)
        text.resize(formFeeds);
    const auto keys = ParseHeader(text);

    const int64_t ndim = Number(keys, "ndim", 0, path);
    if (ndim < 1 || ndim > 3)
        throw KORA::CExUnimp("'" + path + "' has ndim=" + std::to_string(ndim) + "; 1, 2 or 3 are read", path);
    if (Number(keys, "nspace", ndim, path) != ndim || Number(keys, "veclen", 1, path) != 1 ||
        (keys.count("field") && keys.at("field") != "uniform"))
        throw KORA::CExUnimp("'" + path + "' is not a uniform scalar field (nspace=ndim, veclen=1, field=uniform)", path);
    const KORA::CSize size(Number(keys, "dim1", 0, path), ndim >= 2 ? Number(keys, "dim2", 0, path) : 1,
                           ndim >= 3 ? Number(keys, "dim3", 0, path) : 1);

    const std::string data = keys.count("data") ? keys.at("data") : "";
    const bool bigEndian = data.rfind("xdr_", 0) == 0;
    const std::string kind = bigEndian ? data.substr(4) : data;
    uint64_t bytesPerVoxel = kind == "byte" ? 1 : kind == "short" ? 2 : kind == "float" ? 4 : 0;
    if (bytesPerVoxel == 0)
        throw KORA::CExUnimp("'" + path + "' has data=" + data + "; byte, short, float (or xdr_) are read", path);
    const uint64_t bytes = loaderkit::PixelBytes(path, size.Width(), size.Height(), size.Depth(), bytesPerVoxel);

    std::unique_ptr<CByteSource> external;
    uint64_t offset = 0;
    if (keys.count("variable.file")) {
        if (keys.count("variable.filetype") && keys.at("variable.filetype") != "binary")
            throw KORA::CExUnimp("'" + path + "' keeps its data as " + keys.at("variable.filetype") + "; only binary is read", path);
        external = std::make_unique<CByteSource>(CByteSource::OpenFile(DataFilePath(path, keys.at("variable.file"))));
        const int64_t skip = Number(keys, "variable.skip", 0, path);
        if (skip < 0)
            throw KORA::CExIo("'" + path + "' has a negative skip", path);
        offset = static_cast<uint64_t>(skip);
    } else if (formFeeds != std::string::npos) {
        offset = formFeeds + 2;
    } else {
        throw KORA::CExIo("'" + path + "' names no data file and holds no data (two form feeds end the header)", path);
    }
    const CByteSource& source = external ? *external : fld;
    source.Require(offset, bytes, "the data of " + size.ToString() + " voxels");

    const bool asFloat = kind != "byte";
    auto image = std::make_unique<KORA::CImage>(asFloat ? KORA::IMAGE_GREY_F : KORA::IMAGE_GREY_8, size);
    if (kind == "short") {
        std::vector<int16_t> values(static_cast<std::size_t>(size.Count()));
        source.Read(offset, values.data(), values.size() * 2, "the data");
        if (bigEndian)
            loaderkit::SwapBytes(values.data(), values.size(), 2);
        std::transform(values.begin(), values.end(), reinterpret_cast<float*>(image->Data()),
                       [](int16_t v) { return static_cast<float>(v); });
    } else {
        source.Read(offset, image->Data(), image->TotalBytes(), "the data");
        if (bigEndian)
            loaderkit::SwapBytes(image->Data(), static_cast<std::size_t>(size.Count()), bytesPerVoxel);
    }
    return image.release();
}

} // namespace ruxokit
