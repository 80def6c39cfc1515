#include "medianblur.h"

#include <opencv2/imgproc.hpp>

namespace imgproc {

void MedianBlur::GetPluginSetup(KORA::CValueMap& setup)
{
    DescribePins(setup, kEntryName, {{"image", "image"}}, {{"image", "image"}})
        .SetEntry("size", new KORA::CValueLong(3));
}

void MedianBlur::Run()
{
    const KORA::CImage& in = InputImage(0, kGrey | kRgb | kMask);
    const int size = Parameters().EntryLong("size", 3);
    if (size < 1 || size % 2 == 0)
        Fail("size must be an odd number of at least 1, not " + std::to_string(size));
    // OpenCV's median of 16-bit and float pixels stops at 5; larger windows need 8-bit pixels.
    if (size > 5 && (in.Type() == KORA::IMAGE_GREY_16 || in.Type() == KORA::IMAGE_GREY_F))
        Fail("a size above 5 needs an 8-bit image, not " + std::string(KORA::ImageTypeName(in.Type())));
    RequireWindowFits(in, "size", size, size);
    auto out = NewLike(in, in.Type());
    ForEachPlane(
        in, *out,
        [size](const cv::Mat& src, cv::Mat& dst) {
            if (size == 1)
                src.copyTo(dst);
            else
                cv::medianBlur(src, dst, size);
        },
        this);
    SetImageOutput(0, out.release());
}

} // namespace imgproc
