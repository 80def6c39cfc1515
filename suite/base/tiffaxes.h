#pragma once
// What a TIFF file's ImageDescription says about its pages beyond what the tags do: the Z, C and T axes of
// an ImageJ hyperstack or an OME-TIFF, and the physical pixel size. The tags alone cannot tell a stack of
// planes from a stack of channels or time points, so without a description every page is a plane.
#include <cstdint>
#include <string>

namespace KORA::detail {

struct StTiffAxes
{
    std::string source;       // "ImageJ", "OME" or empty: no description that names axes
    int64_t planes = 0;       // Z; 0 until known, then every page the description does not claim otherwise
    int64_t channels = 1;     // C, counted in pages (colour samples of one page are not channels)
    int64_t timePoints = 1;   // T
    std::string order = "ZCT"; // the page order, fastest axis first
    int64_t firstPage = 0;
    // Pixel size; 0 = not given. With ImageJ, the resolution tags count pixels per this unit.
    double sizeX = 0, sizeY = 0, sizeZ = 0;
    std::string unit;

    // The page of (z, c, t) counted from firstPage.
    int64_t Page(int64_t z, int64_t c, int64_t t) const;
    // "C=2, Z=5, T=1".
    std::string Describe() const;
};

// Reads an ImageJ ("ImageJ=...") or OME-XML description; anything else leaves the axes unset. samples is
// the file's samples per pixel, which an OME SizeC counts too. Returns an error text for a description
// that names axes but cannot be used, empty otherwise.
std::string ReadTiffAxes(const std::string& description, int samples, StTiffAxes& axes);

// The unit as this library writes it: "µm" for "micron", "um", "\u00B5m" and the like; other text as given.
std::string NormaliseUnit(const std::string& unit);
// Micrometres per unit for the lengths that have one (nm, µm, mm, cm, m, inch); 0 for others.
double MicrometresPer(const std::string& unit);

} // namespace KORA::detail
