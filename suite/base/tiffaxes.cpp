#include "tiffaxes.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>

namespace KORA::detail {

namespace {

// A count from a description: a positive integer of sane size, or 0.
int64_t Count(const std::string& text)
{
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    return end != text.c_str() && *end == '\0' && value > 0 && value < (1ll << 40) ? value : 0;
}

double Length(const char* text)
{
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    return end != text && value > 0 && value < 1e30 ? value : 0;
}

std::string ReadImageJ(const std::string& description, StTiffAxes& axes)
{
    std::map<std::string, std::string> keys;
    std::size_t at = 0;
    while (at < description.size()) {
        std::size_t end = description.find('\n', at);
        if (end == std::string::npos)
            end = description.size();
        const std::string line = description.substr(at, end - at);
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos)
            keys[line.substr(0, equals)] = line.substr(equals + 1);
        at = end + 1;
    }
    axes.source = "ImageJ";
    const auto count = [&keys](const char* key) { return keys.count(key) ? Count(keys[key]) : 1; };
    const int64_t images = keys.count("images") ? Count(keys["images"]) : 1;
    axes.channels = count("channels");
    axes.timePoints = count("frames");
    if (images == 0 || axes.channels == 0 || axes.timePoints == 0 || (keys.count("slices") && count("slices") == 0))
        return "the ImageJ description has a count that is not a positive integer";
    axes.planes = keys.count("slices") ? count("slices") : images / (axes.channels * axes.timePoints);
    if (axes.planes * axes.channels * axes.timePoints != images)
        return "the ImageJ description's channels, slices and frames do not multiply to its " +
               std::to_string(images) + " images";
    axes.order = "CZT";
    if (keys.count("spacing"))
        axes.sizeZ = Length(keys["spacing"].c_str());
    if (keys.count("unit"))
        axes.unit = NormaliseUnit(keys["unit"]);
    return {};
}

std::string ReadOme(const std::string& description, int samples, StTiffAxes& axes)
{
    pugi::xml_document document;
    if (!document.load_buffer(description.data(), description.size()))
        return "the OME-XML description cannot be parsed";
    const pugi::xml_node pixels = document.select_node("//*[local-name()='Image']/*[local-name()='Pixels']").node();
    if (!pixels)
        return "the OME-XML description has no Pixels element";
    axes.source = "OME";
    const std::string order = pixels.attribute("DimensionOrder").value();
    if (order.size() != 5 || order.compare(0, 2, "XY") != 0 || !std::is_permutation(order.begin() + 2, order.end(), "ZCT"))
        return "the OME-XML DimensionOrder \"" + order + "\" is not XY followed by Z, C and T";
    axes.order = order.substr(2);
    axes.planes = Count(pixels.attribute("SizeZ").value());
    axes.channels = Count(pixels.attribute("SizeC").value());
    axes.timePoints = Count(pixels.attribute("SizeT").value());
    if (axes.planes == 0 || axes.channels == 0 || axes.timePoints == 0)
        return "the OME-XML SizeZ, SizeC and SizeT are not all positive integers";
    // Colour samples of one page count in SizeC as well.
    if (samples > 1 && axes.channels % samples == 0)
        axes.channels /= samples;
    for (pugi::xml_node data : pixels.children())
        if (std::strcmp(data.name(), "TiffData") == 0 || std::strstr(data.name(), ":TiffData")) {
            axes.firstPage = Count(data.attribute("IFD").value());
            break;
        }
    const auto length = [&pixels](const char* name) { return Length(pixels.attribute(name).value()); };
    axes.sizeX = length("PhysicalSizeX");
    axes.sizeY = length("PhysicalSizeY");
    axes.sizeZ = length("PhysicalSizeZ");
    if (axes.sizeX > 0 || axes.sizeY > 0 || axes.sizeZ > 0) {
        const std::string unit = NormaliseUnit(pixels.attribute("PhysicalSizeXUnit").as_string("µm"));
        const std::string unitZ = NormaliseUnit(pixels.attribute("PhysicalSizeZUnit").as_string("µm"));
        if (unitZ != unit && MicrometresPer(unit) > 0 && MicrometresPer(unitZ) > 0)
            axes.sizeZ *= MicrometresPer(unitZ) / MicrometresPer(unit);
        axes.unit = unit;
    }
    return {};
}

} // namespace

int64_t StTiffAxes::Page(int64_t z, int64_t c, int64_t t) const
{
    int64_t page = 0;
    int64_t stride = 1;
    for (const char axis : order) {
        page += stride * (axis == 'Z' ? z : axis == 'C' ? c : t);
        stride *= axis == 'Z' ? planes : axis == 'C' ? channels : timePoints;
    }
    return firstPage + page;
}

std::string StTiffAxes::Describe() const
{
    return "C=" + std::to_string(channels) + ", Z=" + std::to_string(planes) + ", T=" + std::to_string(timePoints);
}

std::string ReadTiffAxes(const std::string& description, int samples, StTiffAxes& axes)
{
    if (description.compare(0, 7, "ImageJ=") == 0)
        return ReadImageJ(description, axes);
    const std::size_t start = description.find_first_not_of(" \t\r\n");
    if (start != std::string::npos && description[start] == '<' && description.find("<OME") != std::string::npos)
        return ReadOme(description, samples, axes);
    return {};
}

std::string NormaliseUnit(const std::string& unit)
{
    if (unit == "micron" || unit == "microns" || unit == "um" || unit == "\\u00B5m" || unit == "\xC2\xB5m" ||
        unit == "\xCE\xBCm" || unit == "\xB5m")
        return "\xC2\xB5m";
    return unit;
}

double MicrometresPer(const std::string& unit)
{
    static const std::map<std::string, double> table = {
        {"nm", 1e-3}, {"\xC2\xB5m", 1}, {"mm", 1e3}, {"cm", 1e4}, {"m", 1e6}, {"inch", 25400},
    };
    const auto found = table.find(NormaliseUnit(unit));
    return found == table.end() ? 0 : found->second;
}

} // namespace KORA::detail
