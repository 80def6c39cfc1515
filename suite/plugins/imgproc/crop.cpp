#include "crop.h"

#include <algorithm>
#include <cstring>

namespace imgproc {

void Crop::GetPluginSetup(KORA::CValueMap& setup)
{
    KORA::CValueMap& p = DescribePins(setup, kEntryName, {{"image", "image"}}, {{"image", "image"}});
    p.SetEntry("x", new KORA::CValueLong(0));
    p.SetEntry("y", new KORA::CValueLong(0));
    p.SetEntry("width", new KORA::CValueLong(0));
    p.SetEntry("height", new KORA::CValueLong(0));
}

// The corner must lie inside the image; a width or height reaching past the edge stops at the edge.
// Every type and every plane; the result's origin moves by the corner.
void Crop::Run()
{
    const KORA::CImage& in = InputImage(0, ~0u);
    const int64_t x = Parameters().EntryLong("x", 0), y = Parameters().EntryLong("y", 0);
    int64_t width = Parameters().EntryLong("width", 0), height = Parameters().EntryLong("height", 0);
    const KORA::CSize size = in.Size();
    if (x < 0 || y < 0 || x >= size.Width() || y >= size.Height())
        Fail("corner (" + std::to_string(x) + ", " + std::to_string(y) + ") lies outside the image of " + size.ToString());
    if (width < 0 || height < 0)
        Fail("width and height must not be negative");
    width = width == 0 ? size.Width() - x : std::min(width, size.Width() - x);
    height = height == 0 ? size.Height() - y : std::min(height, size.Height() - y);

    auto out = NewLike(in, in.Type(), KORA::CSize(width, height, size.Depth()));
    KORA::CSize origin = in.Origin();
    origin[0] += x;
    origin[1] += y;
    out->SetOrigin(origin);
    const std::size_t pixel = in.PixelSize(), rowBytes = out->RowBytes();
    for (int64_t z = 0; z < size.Depth(); ++z)
        for (int64_t row = 0; row < height; ++row)
            std::memcpy(out->Row<uint8_t>(row, z), in.Row<uint8_t>(y + row, z) + static_cast<std::size_t>(x) * pixel, rowBytes);
    SetImageOutput(0, out.release());
}

} // namespace imgproc
