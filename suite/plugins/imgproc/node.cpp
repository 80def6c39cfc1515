#include "node.h"

#include <algorithm>
#include <climits>
#include <cstdio>

#include "kora/valuepointer.h"

namespace imgproc {

KORA::CValueMap& CImgprocNode::DescribePins(KORA::CValueMap& setup, const char* name, std::initializer_list<Pin> inputs,
                                        std::initializer_list<Pin> outputs)
{
    setup.SetEntry("pluginType", new KORA::CValueString("Generic"));
    setup.SetEntry("subType", new KORA::CValueString("Filter"));
    setup.SetEntry("name", new KORA::CValueString(name));
    auto* in = new KORA::CValueMap;
    for (const Pin& pin : inputs)
        in->SetEntry(pin.name, new KORA::CValueString(pin.type));
    setup.SetEntry("inputs", in);
    auto* out = new KORA::CValueMap;
    for (const Pin& pin : outputs)
        out->SetEntry(pin.name, new KORA::CValueString(pin.type));
    setup.SetEntry("outputs", out);
    auto* parameters = new KORA::CValueMap;
    setup.SetEntry("parameters", parameters);
    return *parameters;
}

std::string CImgprocNode::NodeName() const
{
    KORA::CValueMap setup;
    const_cast<CImgprocNode*>(this)->GetPluginSetup(setup);
    return setup.EntryString("name", "imgproc");
}

void CImgprocNode::Fail(const std::string& problem) const
{
    throw KORA::CException(NodeName() + ": " + problem, CPNode::Describe());
}

void CImgprocNode::RefuseType(KORA::ImageType type) const
{
    Fail(std::string("cannot take an image of type ") + KORA::ImageTypeName(type));
}

const KORA::CImage& CImgprocNode::InputImage(std::size_t pin) const
{
    const KORA::CValue& value = Input(pin);
    const KORA::CImage* image = nullptr;
    try {
        image = KORA::UnwrapPointer<KORA::CImage>(&value);
    } catch (const KORA::CExBadType&) {
        Fail("input " + std::to_string(pin) + " is not an image but a " + KORA::HumanReadableTypename(KORA::Unwrap(&value)->Type()));
    }
    if (!image)
        Fail("input " + std::to_string(pin) + " holds a null image");
    return *image;
}

const KORA::CImage& CImgprocNode::InputImage(std::size_t pin, TypeSet accepted) const
{
    const KORA::CImage& image = InputImage(pin);
    if (!(accepted & Bit(image.Type())))
        RefuseType(image.Type());
    if (image.Empty())
        Fail("input " + std::to_string(pin) + " is an empty image");
    return image;
}

void CImgprocNode::SetImageOutput(std::size_t pin, KORA::CImage* image)
{
    SetOutput(pin, new KORA::CValueOwnedPointer<KORA::CImage>(image));
}

void CImgprocNode::RequireSameShape(const KORA::CImage& a, const KORA::CImage& b) const
{
    if (a.Type() != b.Type())
        Fail(std::string("images of different types: ") + KORA::ImageTypeName(a.Type()) + " and " + KORA::ImageTypeName(b.Type()));
    if (a.Size() != b.Size())
        Fail("images of different sizes: " + a.Size().ToString() + " and " + b.Size().ToString());
}

void CImgprocNode::RunPairwise(TypeSet accepted,
                               const std::function<cv::Mat(const cv::Mat& a, const cv::Mat& b)>& combine)
{
    const KORA::CImage& a = InputImage(0, accepted);
    const KORA::CImage& b = InputImage(1, accepted);
    RequireSameShape(a, b);
    auto out = NewLike(a, a.Type());
    cv::Mat dst = VolumeMat(*out);
    StoreInto(combine(VolumeMat(a), VolumeMat(b)), dst);
    SetImageOutput(0, out.release());
}

std::unique_ptr<KORA::CImage> NewLike(const KORA::CImage& source, KORA::ImageType type, const KORA::CSize& size)
{
    auto image = std::make_unique<KORA::CImage>(type, size);
    image->SetOrigin(source.Origin());
    image->Attributes().Copy(source.Attributes(), KORA::COPY_SHARE_POINTER);
    return image;
}

static int VolumeRows(const KORA::CImage& image)
{
    const int64_t rows = image.Size().Height() * image.Size().Depth();
    if (rows > INT_MAX || image.Size().Width() > INT_MAX)
        throw KORA::CException("image of " + image.Size().ToString() + " is too large for one pass", "imgproc");
    return static_cast<int>(rows);
}

cv::Mat VolumeMat(KORA::CImage& image)
{
    return cv::Mat(VolumeRows(image), static_cast<int>(image.Size().Width()), KORA::CvType(image.Type()), image.Data());
}

cv::Mat VolumeMat(const KORA::CImage& image)
{
    return VolumeMat(const_cast<KORA::CImage&>(image));
}

void StoreInto(const cv::Mat& result, cv::Mat& view)
{
    if (result.size() != view.size() || result.type() != view.type())
        throw KORA::CException("internal error: a result of another size or type than its image", "imgproc");
    result.copyTo(view);
}

namespace {

std::string Number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

} // namespace

void CImgprocNode::RequireWindowFits(const KORA::CImage& image, const char* parameter, double value,
                                     double window) const
{
    const int64_t side = std::max<int64_t>({image.Size().Width(), image.Size().Height(), 8});
    const double largest = 2.0 * static_cast<double>(side) + 1.0;
    if (window > largest)
        Fail(std::string(parameter) + " " + Number(value) + " needs a window of " +
             Number(window) + " pixels, wider than the " + image.Size().ToString() +
             " image can use (at most " + Number(largest) + ")");
}

} // namespace imgproc
