#include "labelling.h"

#include <opencv2/imgproc.hpp>

#include "kora/opencv.h"
#include "node.h"

namespace imgproc {

CLabelling::CLabelling(const KORA::CImage& mask, int64_t minArea)
{
    const KORA::CSize size = mask.Size();
    const std::size_t planePixels = static_cast<std::size_t>(size.Width() * size.Height());
    m_labels.assign(planePixels * static_cast<std::size_t>(size.Depth()), 0);
    for (int64_t z = 0; z < size.Depth(); ++z) {
        cv::Mat foreground;
        cv::compare(KORA::PlaneMat(mask, z), 0, foreground,
                    mask.Type() == KORA::IMAGE_BINARY_BG ? cv::CMP_EQ : cv::CMP_NE);
        cv::Mat labels, stats, centroids;
        const int found = cv::connectedComponentsWithStats(foreground, labels, stats, centroids, 8, CV_32S);
        std::vector<int32_t> renumber(static_cast<std::size_t>(found), 0);
        for (int label = 1; label < found; ++label) {
            const int64_t area = stats.at<int>(label, cv::CC_STAT_AREA);
            if (area < minArea)
                continue;
            m_areas.push_back(area);
            renumber[static_cast<std::size_t>(label)] = static_cast<int32_t>(m_areas.size());
        }
        int32_t* target = m_labels.data() + static_cast<std::size_t>(z) * planePixels;
        for (int y = 0; y < labels.rows; ++y) {
            const int* row = labels.ptr<int>(y);
            for (int x = 0; x < labels.cols; ++x)
                *target++ = renumber[static_cast<std::size_t>(row[x])];
        }
    }
}

KORA::CImage* CLabelling::LabelImage(const KORA::CImage& like) const
{
    const bool wide = Count() > 65535;
    auto image = NewLike(like, wide ? KORA::IMAGE_GREY_F : KORA::IMAGE_GREY_16);
    if (wide) {
        auto* out = reinterpret_cast<float*>(image->Data());
        for (int32_t label : m_labels)
            *out++ = static_cast<float>(label);
    } else {
        auto* out = reinterpret_cast<uint16_t*>(image->Data());
        for (int32_t label : m_labels)
            *out++ = static_cast<uint16_t>(label);
    }
    return image.release();
}

} // namespace imgproc
