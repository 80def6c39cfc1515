// The processing nodes against the same OpenCV calls made directly, their refusals, and measurements
// on drawn images.

#include <opencv2/imgproc.hpp>

#include "plugin_node.h"

using namespace KORA;
using namespace plugintest;

namespace {

CImage Noise(ImageType type, int64_t depth = 1)
{
    CImage image(type, CSize(32, 24, depth));
    cv::RNG rng(7);
    for (int64_t z = 0; z < depth; ++z) {
        cv::Mat plane = PlaneMat(image, z);
        if (type == IMAGE_GREY_F)
            rng.fill(plane, cv::RNG::UNIFORM, 0.0, 1.0);
        else
            rng.fill(plane, cv::RNG::UNIFORM, 0, type == IMAGE_GREY_16 ? 65536 : 256);
    }
    return image;
}

cv::Mat Disc(int radius)
{
    return cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(2 * radius + 1, 2 * radius + 1));
}

cv::Mat Blur(const cv::Mat& a, double sigma)
{
    cv::Mat out;
    cv::GaussianBlur(a, out, cv::Size(0, 0), sigma);
    return out;
}

cv::Mat ThresholdRef(const cv::Mat& a, double level, int kind)
{
    cv::Mat out;
    cv::threshold(a, out, level, 1, kind);
    out.convertTo(out, CV_8U);
    return out;
}

struct Row
{
    const char* entry;
    Params params;
    ImageType type;
    std::function<cv::Mat(const cv::Mat& a, const cv::Mat& b)> reference;
    double tolerance = 0.0;
    bool twoInputs = false;
};

std::ostream& operator<<(std::ostream& out, const Row& row)
{
    return out << row.entry << " on " << ImageTypeName(row.type);
}

// The reference computation: `a` (and `b`) in, `o` out.
#define REF(...) [](const cv::Mat& a, const cv::Mat& b) { cv::Mat o; (void)a; (void)b; __VA_ARGS__; return o; }

const Row kRows[] = {
    {"imgproc::GaussianBlur", {}, IMAGE_GREY_F, REF(o = Blur(a, 1.0))},
    {"imgproc::GaussianBlur", {{"sigma", 1.5}}, IMAGE_RGB_8, REF(o = Blur(a, 1.5))},
    {"imgproc::MedianBlur", {}, IMAGE_GREY_8, REF(cv::medianBlur(a, o, 3))},
    {"imgproc::MedianBlur", {{"size", 5}}, IMAGE_GREY_16, REF(cv::medianBlur(a, o, 5))},
    {"imgproc::Threshold", {}, IMAGE_GREY_8, REF(o = ThresholdRef(a, 128, cv::THRESH_BINARY))},
    {"imgproc::Threshold", {{"method", "otsu"}}, IMAGE_GREY_8, REF(o = ThresholdRef(a, 0, cv::THRESH_BINARY | cv::THRESH_OTSU))},
    {"imgproc::Threshold", {{"value", 0.25}, {"invert", true}}, IMAGE_GREY_F, REF(o = ThresholdRef(a, 0.25, cv::THRESH_BINARY_INV))},
    {"imgproc::Threshold", {{"value", 30000.5}}, IMAGE_GREY_16, REF(o = (a > 30000.5) / 255)},
    {"imgproc::Invert", {}, IMAGE_GREY_8, REF(o = 255 - a)},
    {"imgproc::Invert", {}, IMAGE_GREY_16, REF(o = 65535 - a)},
    {"imgproc::ConvertType", {{"to", "GREY_8"}, {"scale", 0.01}, {"offset", 10.0}}, IMAGE_GREY_16, REF(a.convertTo(o, CV_8U, 0.01, 10.0))},
    {"imgproc::ConvertType", {}, IMAGE_GREY_8, REF(a.convertTo(o, CV_32F))},
    {"imgproc::Normalize", {}, IMAGE_GREY_16, REF(cv::normalize(a, o, 0, 255, cv::NORM_MINMAX, CV_8U))},
    {"imgproc::Resize", {}, IMAGE_GREY_8, REF(cv::resize(a, o, cv::Size(16, 12), 0, 0, cv::INTER_AREA))},
    {"imgproc::Resize", {{"scale", 2.0}}, IMAGE_GREY_F, REF(cv::resize(a, o, cv::Size(64, 48), 0, 0, cv::INTER_LINEAR))},
    {"imgproc::Morphology", {{"radius", 2}}, IMAGE_GREY_8, REF(cv::morphologyEx(a, o, cv::MORPH_OPEN, Disc(2)))},
    {"imgproc::Morphology", {{"operation", "dilate"}}, IMAGE_GREY_16, REF(cv::dilate(a, o, Disc(1)))},
    {"imgproc::Morphology", {{"operation", "close"}, {"radius", 3}}, IMAGE_GREY_F, REF(cv::morphologyEx(a, o, cv::MORPH_CLOSE, Disc(3)))},
    {"imgproc::GradientMagnitude", {}, IMAGE_GREY_8,
     REF(cv::Mat dx; cv::Mat dy; cv::Sobel(a, dx, CV_32F, 1, 0); cv::Sobel(a, dy, CV_32F, 0, 1); cv::magnitude(dx, dy, o)), 1e-4},
    {"imgproc::Crop", {{"x", 3}, {"y", 4}, {"width", 10}, {"height", 5}}, IMAGE_GREY_16, REF(o = a(cv::Rect(3, 4, 10, 5)))},
    {"imgproc::Crop", {{"x", 30}, {"y", 20}, {"width", 10}}, IMAGE_RGB_8, REF(o = a(cv::Rect(30, 20, 2, 4)))},
    {"imgproc::Add", {}, IMAGE_GREY_8, REF(cv::add(a, b, o)), 0.0, true},
    {"imgproc::Subtract", {}, IMAGE_GREY_16, REF(cv::subtract(a, b, o)), 0.0, true},
    {"imgproc::Blend", {{"weight", 0.25}}, IMAGE_GREY_8, REF(cv::addWeighted(a, 0.75, b, 0.25, 0, o)), 0.0, true},
};
#undef REF

class AgainstOpenCv : public ::testing::TestWithParam<Row>
{
};

// A 40 x 30 mask: a 5 x 5 square (25), a 3 x 2 bar (6), a single pixel (1) and a diagonal pair, which
// is one object under 8-connectivity (2).
CImage DrawnMask(ImageType type = IMAGE_BOOL)
{
    CImage mask(type, CSize(40, 30));
    cv::Mat m = PlaneMat(mask);
    m(cv::Rect(2, 2, 5, 5)) = 1;
    m(cv::Rect(20, 10, 3, 2)) = 1;
    m.at<uint8_t>(25, 35) = m.at<uint8_t>(20, 5) = m.at<uint8_t>(21, 6) = 1;
    if (type == IMAGE_BINARY_BG)
        cv::subtract(1, m, m);
    return mask;
}

std::vector<int32_t> Longs(const CValue* vector)
{
    std::vector<int32_t> values;
    for (std::size_t i = 0; i < static_cast<const CValueVector*>(Unwrap(vector))->Size(); ++i)
        values.push_back(vector->EntryLong(static_cast<int>(i)));
    return values;
}

} // namespace

TEST_P(AgainstOpenCv, SameResultAsTheDirectCall)
{
    const Row& row = GetParam();
    const CImage a = Noise(row.type);
    CImage b = a;
    cv::flip(PlaneMat(a), PlaneMat(b), 1);
    auto node = row.twoInputs ? RunNode(row.entry, row.params, {&a, &b}) : RunNode(row.entry, row.params, {&a});
    const cv::Mat expected = row.reference(PlaneMat(a), PlaneMat(b));
    const cv::Mat actual = PlaneMat(OutputImage(*node, 0));
    ASSERT_EQ(actual.size(), expected.size());
    ASSERT_EQ(actual.type(), expected.type());
    EXPECT_LE(cv::norm(actual, expected, cv::NORM_INF), row.tolerance);
}

INSTANTIATE_TEST_SUITE_P(Imgproc, AgainstOpenCv, ::testing::ValuesIn(kRows));

TEST(Imgproc, VolumesAreProcessedPlaneByPlane)
{
    const CImage volume = Noise(IMAGE_GREY_8, 3);
    auto node = RunNode("imgproc::GaussianBlur", {{"sigma", 1.5}}, {&volume});
    const CImage& out = OutputImage(*node, 0);
    ASSERT_EQ(out.Size(), volume.Size());
    for (int z = 0; z < 3; ++z)
        EXPECT_EQ(cv::norm(PlaneMat(out, z), Blur(PlaneMat(volume, z), 1.5), cv::NORM_INF), 0.0) << "plane " << z;
}

TEST(Imgproc, RefusesWhatANodeCannotTake)
{
    const CImage complex(IMAGE_COMPLEX_F, CSize(4, 4)), rgb(IMAGE_RGB_8, CSize(4, 4)), grey(IMAGE_GREY_8, CSize(4, 4));
    const CImage other(IMAGE_GREY_8, CSize(5, 4)), mask(IMAGE_BOOL, CSize(4, 4)), floats(IMAGE_GREY_F, CSize(4, 4));
    const struct
    {
        const char* entry;
        Params params;
        std::vector<const CImage*> inputs;
        std::vector<std::string> words;
    } cases[] = {
        {"GaussianBlur", {}, {&complex}, {"GaussianBlur", "COMPLEX_F"}},
        {"Threshold", {}, {&rgb}, {"Threshold", "RGB_8"}},
        {"Threshold", {{"method", "mean"}}, {&grey}, {"Threshold", "mean"}},
        {"Blend", {}, {&mask, &mask}, {"Blend", "BOOL"}},
        {"Add", {}, {&grey, &floats}, {"Add", "GREY_8", "GREY_F"}},
        {"Subtract", {}, {&grey, &other}, {"Subtract", "5 x 4"}},
        {"MedianBlur", {{"size", 7}}, {&floats}, {"MedianBlur", "8-bit"}},
        {"MedianBlur", {{"size", 4}}, {&grey}, {"MedianBlur", "odd"}},
        {"ConvertType", {{"to", "COMPLEX_F"}}, {&grey}, {"ConvertType", "COMPLEX_F"}},
        {"Crop", {{"x", 4}}, {&grey}, {"Crop", "outside"}},
        {"GaussianBlur", {{"sigma", 0.0}}, {&grey}, {"GaussianBlur", "sigma"}},
        {"GaussianBlur", {{"sigma", 5000.0}}, {&grey}, {"GaussianBlur", "sigma 5000", "4 x 4"}},
        {"MedianBlur", {{"size", 19}}, {&grey}, {"MedianBlur", "size 19", "at most 17"}},
        {"Morphology", {{"radius", 9}}, {&grey}, {"Morphology", "radius 9"}},
        {"Statistics", {}, {}, {}},
    };
    for (const auto& c : cases) {
        const std::string message = ErrorOf([&] {
            auto node = MakeNode(std::string("imgproc::") + c.entry, c.params);
            for (std::size_t pin = 0; pin < c.inputs.size(); ++pin)
                SetImage(*node, static_cast<int>(pin), *c.inputs[pin]);
            node->Execute();
        });
        testsupport::ExpectWords(message, c.words, c.entry);
    }
}

TEST(Imgproc, ConnectedComponentsCountsAndDropsSmallObjects)
{
    for (ImageType type : {IMAGE_BOOL, IMAGE_BINARY_BG}) {
        SCOPED_TRACE(ImageTypeName(type));
        const CImage mask = DrawnMask(type);
        auto all = RunNode("imgproc::ConnectedComponents", {}, {&mask});
        EXPECT_EQ(all->Outputs().EntryLong(1), 4);
        EXPECT_EQ(Longs(all->Outputs().At(2)), (std::vector<int32_t>{25, 6, 2, 1}));
        auto big = RunNode("imgproc::ConnectedComponents", {{"min_area", 6}}, {&mask});
        EXPECT_EQ(big->Outputs().EntryLong(1), 2);
        EXPECT_EQ(Longs(big->Outputs().At(2)), (std::vector<int32_t>{25, 6}));
        const CImage& labels = OutputImage(*big, 0);
        ASSERT_EQ(labels.Type(), IMAGE_GREY_16);
        EXPECT_EQ(labels.Row<uint16_t>(4)[4], 1);
        EXPECT_EQ(labels.Row<uint16_t>(11)[21], 2);
        EXPECT_EQ(labels.Row<uint16_t>(25)[35], 0) << "a dropped object must become background";
    }
}

TEST(Imgproc, LabelsOfAVolumeContinueFromPlaneToPlane)
{
    CImage volume(IMAGE_BOOL, CSize(10, 10, 2));
    PlaneMat(volume, 0)(cv::Rect(1, 1, 2, 2)) = 1;
    PlaneMat(volume, 1)(cv::Rect(1, 1, 2, 2)) = 1;
    PlaneMat(volume, 1)(cv::Rect(6, 6, 3, 3)) = 1;
    auto node = RunNode("imgproc::ConnectedComponents", {}, {&volume});
    EXPECT_EQ(node->Outputs().EntryLong(1), 3);
    EXPECT_EQ(OutputImage(*node, 0).Row<uint16_t>(7, 1)[7], 3);
    auto centres = RunNode("imgproc::Centroids", {}, {&volume});
    const CValue& last = centres->Outputs().At(0)->Entry(2);
    EXPECT_DOUBLE_EQ(last.EntryDouble(0), 7.0);
    EXPECT_DOUBLE_EQ(last.EntryDouble(2), 1.0) << "volumes give [x, y, z]";
}

TEST(Imgproc, CentroidsOfMasksAndOfLabelImages)
{
    const CImage mask = DrawnMask();
    auto fromMask = RunNode("imgproc::Centroids", {}, {&mask});
    const CValue& points = *fromMask->Outputs().At(0);
    ASSERT_EQ(static_cast<const CValueVector&>(points).Size(), 4u);
    EXPECT_DOUBLE_EQ(points.Entry(1).EntryDouble(0), 21.0);
    EXPECT_DOUBLE_EQ(points.Entry(1).EntryDouble(1), 10.5);
    EXPECT_EQ(static_cast<const CValueVector&>(points.Entry(0)).Size(), 2u) << "images give [x, y]";

    CImage labels(IMAGE_GREY_16, CSize(8, 8));
    PlaneMat(labels)(cv::Rect(0, 0, 2, 2)) = 7;
    PlaneMat(labels)(cv::Rect(4, 6, 4, 1)) = 3;
    auto fromLabels = RunNode("imgproc::Centroids", {}, {&labels});
    const CValue& byLabel = *fromLabels->Outputs().At(0);
    EXPECT_DOUBLE_EQ(byLabel.Entry(0).EntryDouble(0), 5.5) << "label 3 comes first";
    EXPECT_DOUBLE_EQ(byLabel.Entry(1).EntryDouble(1), 0.5);
}

TEST(Imgproc, StatisticsAndHistogramsOfKnownValues)
{
    CImage image(IMAGE_GREY_16, CSize(2, 2, 2));
    const uint16_t values[] = {0, 2, 4, 6, 6, 4, 2, 0};
    std::memcpy(image.Data(), values, sizeof values);
    auto node = RunNode("imgproc::Statistics", {}, {&image});
    const CValue& stats = *node->Outputs().At(0);
    EXPECT_DOUBLE_EQ(stats.EntryDouble("min"), 0.0);
    EXPECT_DOUBLE_EQ(stats.EntryDouble("max"), 6.0);
    EXPECT_DOUBLE_EQ(stats.EntryDouble("mean"), 3.0);
    EXPECT_NEAR(stats.EntryDouble("sigma"), std::sqrt(5.0), 1e-12);
    EXPECT_DOUBLE_EQ(node->Outputs().EntryDouble(1), 3.0);

    // 8-bit images get one bin per value, other types 256 bins over their range.
    CImage grey(IMAGE_GREY_8, CSize(4, 1));
    std::memcpy(grey.Data(), "\0\5\5\xff", 4);
    const std::vector<int32_t> bins = Longs(RunNode("imgproc::Histogram", {}, {&grey})->Outputs().At(0));
    EXPECT_EQ(std::vector<int32_t>({bins[0], bins[5], bins[255]}), (std::vector<int32_t>{1, 2, 1}));
    CImage wide(IMAGE_GREY_16, CSize(4, 1));
    const uint16_t spreadValues[] = {1000, 1000, 2000, 3000};
    std::memcpy(wide.Data(), spreadValues, sizeof spreadValues);
    const std::vector<int32_t> spread = Longs(RunNode("imgproc::Histogram", {}, {&wide})->Outputs().At(0));
    EXPECT_EQ(spread[0], 2);
    EXPECT_EQ(spread[128], 1);
    EXPECT_EQ(spread[255], 1);
    const CImage flat(IMAGE_GREY_F, CSize(3, 3));
    EXPECT_EQ(Longs(RunNode("imgproc::Histogram", {}, {&flat})->Outputs().At(0))[0], 9);
}

TEST(Imgproc, MasksStayMasks)
{
    const CImage mask = DrawnMask();
    auto invert = RunNode("imgproc::Invert", {}, {&mask}), add = RunNode("imgproc::Add", {}, {&mask, &mask});
    const CImage& inverted = OutputImage(*invert, 0);
    EXPECT_EQ(inverted.Type(), IMAGE_BOOL);
    EXPECT_EQ(inverted.Row<uint8_t>(0)[0], 1);
    EXPECT_EQ(inverted.Row<uint8_t>(3)[3], 0);
    EXPECT_EQ(cv::norm(PlaneMat(OutputImage(*add, 0)), PlaneMat(mask), cv::NORM_INF), 0.0) << "a mask plus itself is itself";
}
