#include "testsupport.h"

using namespace KORA;

namespace {

const ImageType kAllTypes[] = {IMAGE_GREY_8, IMAGE_GREY_16,   IMAGE_RGB_8,     IMAGE_GREY_F,
                               IMAGE_COMPLEX_F, IMAGE_BOOL, IMAGE_BINARY_BG, IMAGE_BINARY_FG};

TEST(ImageTypes, SizesAgreeWithOpenCvAndUnknownTypesAreRefused)
{
    for (ImageType type : kAllTypes)
        EXPECT_EQ(ImagePixelSize(type), CV_ELEM_SIZE(CvType(type))) << ImageTypeName(type);
    ImageType unchanged = IMAGE_RGB_8;
    EXPECT_FALSE(ImageTypeFromName("grey_8", unchanged));
    EXPECT_EQ(unchanged, IMAGE_RGB_8);
    EXPECT_THROW(CvType(static_cast<ImageType>(42)), CException);
    EXPECT_EQ(CSize(4, -1, 2).Count(), 0);
    const int64_t big = std::numeric_limits<int64_t>::max() / 2;
    EXPECT_EQ(CSize(big, big, big).Count(), std::numeric_limits<int64_t>::max()) << "the count saturates";
}

TEST(Image, RefusesImpossibleSizes)
{
    const int64_t huge = std::numeric_limits<int64_t>::max();
    const CSize sizes[] = {CSize(-1, 5), CSize(5, 5, -2), CSize(huge, huge, huge), CSize(1 << 20, 1 << 20, 1 << 10),
                           CSize(huge, 1, 1)};
    for (const CSize& size : sizes)
        EXPECT_THROW(CImage(IMAGE_GREY_16, size), CException) << size.ToString();
    EXPECT_THROW(CImage(static_cast<ImageType>(9), CSize(2, 2)), CException);
    EXPECT_NO_THROW(CImage(IMAGE_GREY_8, CSize(0, 7)));
}

TEST(Image, CopiesAreDeep)
{
    CImage image(IMAGE_GREY_16, CSize(4, 4));
    image.Attributes().SetEntry("info/name", new CValueString("a"));
    image.SetOrigin(CSize(1, 2, 3));
    image.Row<uint16_t>(1)[2] = 777;

    CImage copy(image), assigned;
    assigned = image;
    EXPECT_TRUE(assigned.SamePixels(image));
    for (CImage* other : {&copy, &assigned}) {
        other->Row<uint16_t>(1)[2] = 1;
        other->Attributes().SetEntry("info/name", new CValueString("b"));
    }
    EXPECT_EQ(image.Row<uint16_t>(1)[2], 777);
    EXPECT_EQ(image.Attributes().EntryString("info/name"), "a");
}

TEST(PlaneMat, SharesTheBufferPlaneByPlane)
{
    CImage image(IMAGE_RGB_8, CSize(3, 2, 2));
    cv::Mat plane = PlaneMat(image, 1);
    ASSERT_EQ(plane.type(), CV_8UC3);
    plane.at<cv::Vec3b>(1, 2) = cv::Vec3b(10, 20, 30);
    const uint8_t* pixel = image.Row<uint8_t>(1, 1) + 2 * 3;
    EXPECT_EQ(pixel[0], 10); // R stays first
    EXPECT_EQ(pixel[2], 30);
    EXPECT_THROW(PlaneMat(image, 2), CException);
    EXPECT_THROW(PlaneMat(image, -1), CException);
}

TEST(ImageFromMat, CopiesRoisAndChecksTypes)
{
    cv::Mat big(6, 8, CV_16UC1);
    for (int y = 0; y < big.rows; ++y)
        for (int x = 0; x < big.cols; ++x)
            big.at<uint16_t>(y, x) = static_cast<uint16_t>(y * 100 + x);
    const cv::Mat roi = big(cv::Rect(2, 1, 3, 4)); // not continuous
    std::unique_ptr<CImage> image(ImageFromMat(roi, IMAGE_GREY_16));
    ASSERT_EQ(image->Size(), CSize(3, 4));
    EXPECT_EQ(image->Row<uint16_t>(3)[2], 4 * 100 + 4);
    EXPECT_THROW(ImageFromMat(roi, IMAGE_GREY_8), CExBadType);

    cv::Mat mask(2, 2, CV_8UC1, cv::Scalar(0));
    mask.at<uint8_t>(0, 1) = 255;
    std::unique_ptr<CImage> bits(ImageFromMat(mask, IMAGE_BINARY_FG));
    EXPECT_EQ(bits->Row<uint8_t>(0)[1], 1);
    EXPECT_EQ(bits->Row<uint8_t>(0)[0], 0);
}

} // namespace
