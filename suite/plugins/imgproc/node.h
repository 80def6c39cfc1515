#pragma once
// The base of every imgproc node: reading image pins, refusing types, writing the description, and the
// per-plane loop. Kept in one place so that every node refuses and reports in the same words.
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>

#include <opencv2/core.hpp>

#include "kora/image.h"
#include "kora/node.h"
#include "kora/opencv.h"

namespace imgproc {

// A set of accepted image types.
using TypeSet = unsigned;
constexpr TypeSet Bit(KORA::ImageType type) { return 1u << static_cast<unsigned>(type); }
constexpr TypeSet kGrey = Bit(KORA::IMAGE_GREY_8) | Bit(KORA::IMAGE_GREY_16) | Bit(KORA::IMAGE_GREY_F);
constexpr TypeSet kRgb = Bit(KORA::IMAGE_RGB_8);
constexpr TypeSet kMask = Bit(KORA::IMAGE_BOOL) | Bit(KORA::IMAGE_BINARY_BG) | Bit(KORA::IMAGE_BINARY_FG);

struct Pin
{
    const char* name;
    const char* type;
};

class CImgprocNode : public KORA::CPNode
{
protected:
    // Fills "pluginType", "subType", "name", "inputs", "outputs" and an empty "parameters" map, which
    // the caller then fills with its defaults.
    static KORA::CValueMap& DescribePins(KORA::CValueMap& setup, const char* name, std::initializer_list<Pin> inputs,
                                        std::initializer_list<Pin> outputs);

    // The image at an input pin; CException naming the node and pin when the pin holds no image.
    const KORA::CImage& InputImage(std::size_t pin) const;
    // Refuses an image whose type is not in the set, or that holds no pixels.
    const KORA::CImage& InputImage(std::size_t pin, TypeSet accepted) const;
    void SetImageOutput(std::size_t pin, KORA::CImage* image);
    // For nodes of two images: both of one type and one size.
    void RequireSameShape(const KORA::CImage& a, const KORA::CImage& b) const;
    // Reads images a and b (pins 0 and 1, same shape, types in the set), combines their whole volumes
    // with the operation and stores the result, saturated to a's type, at output pin 0.
    void RunPairwise(TypeSet accepted, const std::function<cv::Mat(const cv::Mat& a, const cv::Mat& b)>& combine);

    // Throws CException whose message starts with the node's entry name.
    [[noreturn]] void Fail(const std::string& problem) const;
    [[noreturn]] void RefuseType(KORA::ImageType type) const;

    // The node's entry name ("GaussianBlur"), taken from its own description.
    std::string NodeName() const;

    // Refuses a window parameter (a kernel's width in pixels) wider than a window that already covers the
    // whole image from every pixel: a larger one only costs time. Tiny images still take small windows.
    void RequireWindowFits(const KORA::CImage& image, const char* parameter, double value, double window) const;
};

// A new image of the given type and size with the source's origin and attributes.
std::unique_ptr<KORA::CImage> NewLike(const KORA::CImage& source, KORA::ImageType type, const KORA::CSize& size);
inline std::unique_ptr<KORA::CImage> NewLike(const KORA::CImage& source, KORA::ImageType type)
{
    return NewLike(source, type, source.Size());
}

// The whole pixel buffer as one Mat of (height * depth) rows: for operations that look at every pixel
// alone or at the image as a whole, so 3-D images need no loop.
cv::Mat VolumeMat(KORA::CImage& image);
cv::Mat VolumeMat(const KORA::CImage& image);

// Stores a result into a view of the output image. OpenCV reallocates a destination of the wrong size
// or type silently; this turns that into an error instead of a zero image.
void StoreInto(const cv::Mat& result, cv::Mat& view);

// Calls op(sourcePlane, destinationPlane) for every plane; op writes into destinationPlane. With a node,
// stops between planes once the node may not continue (the result is then discarded by the scheduler).
template <class Op>
void ForEachPlane(const KORA::CImage& source, KORA::CImage& target, Op op, const KORA::CPNode* node = nullptr)
{
    for (int64_t z = 0; z < source.Size().Depth(); ++z) {
        if (node && !node->MayContinue())
            return;
        cv::Mat in = KORA::PlaneMat(source, z);
        cv::Mat view = KORA::PlaneMat(target, z);
        cv::Mat out = view;
        op(in, out);
        if (out.data != view.data)
            StoreInto(out, view);
    }
}

} // namespace imgproc
