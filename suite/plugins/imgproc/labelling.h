#pragma once
// Connected components of a mask, shared by ConnectedComponents and Centroids.
#include <cstdint>
#include <vector>

#include "kora/image.h"

namespace imgproc {

class CLabelling
{
public:
    // 8-connected components of every plane; labels continue from plane to plane, so every object of a
    // volume's slice has its own number. Foreground: set pixels of BOOL/BINARY_FG masks, clear pixels of
    // BINARY_BG masks, non-zero pixels of GREY_8 images. Components smaller than minArea are dropped and
    // the others numbered 1..Count() in scan order.
    CLabelling(const KORA::CImage& mask, int64_t minArea);

    int64_t Count() const noexcept { return static_cast<int64_t>(m_areas.size()); }
    const std::vector<int64_t>& Areas() const noexcept { return m_areas; }
    // GREY_16, or GREY_F beyond 65535 objects; 0 is background.
    KORA::CImage* LabelImage(const KORA::CImage& like) const;
    // The label of every pixel, planes one after another.
    const std::vector<int32_t>& Labels() const noexcept { return m_labels; }

private:
    std::vector<int32_t> m_labels;
    std::vector<int64_t> m_areas;
};

} // namespace imgproc
