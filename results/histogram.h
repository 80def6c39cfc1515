#pragma once
// A small histogram of the values of one numeric output port across a batch, as inline SVG.
#include <QString>

#include <vector>

namespace VORNE {

// Integers over a short range get one bar per value, everything else 20 equal bins from min to max.
// The SVG element is in the SVG namespace, ready to sit inside XHTML; empty without values.
QString svgHistogram(const std::vector<double>& values);

} // namespace VORNE
