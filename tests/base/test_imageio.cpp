#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <sys/resource.h>

#include "testsupport.h"
// Private to the base library, which exports it all the same.
#include "../../suite/base/imagedecoders.h"
#include "../../suite/base/pngcodec.h"

using namespace KORA;
using testsupport::WriteGzip;
namespace fs = std::filesystem;

namespace {

class ImageIoTest : public testsupport::TempDir
{
protected:
    std::vector<std::string> Files() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

// Checks that run() throws CExIo whose source is path and whose message holds reason.
template <class F>
void ExpectIoError(F run, const std::string& path, const std::string& reason)
{
    try {
        run();
        ADD_FAILURE() << path << ": no error";
    } catch (const CExIo& e) {
        EXPECT_EQ(e.Source(), path);
        EXPECT_NE(e.Message().find(reason), std::string::npos) << path << ": " << e.Message();
    }
}

// Pixels that every format meant for the type can hold: masks 0/1, finite floats. Random for lossless
// formats; smooth (a ramp, masks in blocks) for lossy ones, whose error on noise is unbounded.
CImage MakeImage(ImageType type, const CSize& size, unsigned seed = 1, bool smooth = false)
{
    CImage image(type, size);
    cv::RNG rng(seed);
    const bool floats = type == IMAGE_GREY_F || type == IMAGE_COMPLEX_F;
    const double top = floats ? 1e6 : IsMaskType(type) ? 2 : type == IMAGE_GREY_16 ? 65536 : 256;
    for (int64_t z = 0; z < size.Depth() && size.Count() > 0; ++z) {
        cv::Mat plane = PlaneMat(image, z);
        if (!smooth || floats) {
            rng.fill(plane, cv::RNG::UNIFORM, floats ? -top : 0, top);
            continue;
        }
        cv::Mat ramp(plane.rows, plane.cols * plane.channels(), CV_32S);
        for (int y = 0; y < ramp.rows; ++y)
            for (int x = 0; x < ramp.cols; ++x)
                ramp.at<int>(y, x) = IsMaskType(type) ? (x / 16 + y / 16) % 2
                                                      : std::min(255, x + 2 * y) * (type == IMAGE_GREY_16 ? 200 : 1);
        ramp.reshape(plane.channels()).convertTo(plane, plane.type());
    }
    return image;
}

double MaxDifference(const CImage& a, const CImage& b)
{
    double worst = 0;
    for (int64_t z = 0; z < a.Size().Depth(); ++z) {
        cv::Mat pa, pb;
        PlaneMat(a, z).convertTo(pa, CV_64F);
        PlaneMat(b, z).convertTo(pb, CV_64F);
        worst = std::max(worst, cv::norm(pa, pb, cv::NORM_INF));
    }
    return worst;
}

// Every type in every format meant for it, with the largest difference the format may make (lossy ones).
TEST_F(ImageIoTest, PixelsSurviveEveryTypeInEveryFormat)
{
    const std::string iass[] = {".iass", ".iass.gz"};
    const struct
    {
        std::vector<ImageType> types;
        std::vector<std::string> extensions;
        double tolerance;
    } groups[] = {
        {{IMAGE_GREY_8, IMAGE_BOOL, IMAGE_BINARY_BG, IMAGE_BINARY_FG},
         {".png", ".tif", ".TIFF", ".pgm", ".pnm", ".pam", ".bmp", iass[0], iass[1]}, 0},
        {{IMAGE_GREY_8, IMAGE_BOOL, IMAGE_BINARY_BG, IMAGE_BINARY_FG, IMAGE_RGB_8}, {".jpg", ".jp2"}, 40},
        {{IMAGE_BOOL, IMAGE_BINARY_BG, IMAGE_BINARY_FG}, {".pbm"}, 0},
        {{IMAGE_GREY_16}, {".png", ".tif", ".pgm", ".PNM", iass[0], iass[1]}, 0},
        {{IMAGE_GREY_16}, {".jp2"}, 40 * 256},
        {{IMAGE_RGB_8}, {".png", ".tif", ".ppm", ".pnm", ".pam", ".bmp", iass[0], iass[1]}, 0},
        {{IMAGE_RGB_8}, {".JPEG"}, 40},
        {{IMAGE_GREY_F}, {".tif", ".pfm", iass[0], iass[1]}, 0},
        {{IMAGE_COMPLEX_F}, {iass[0], iass[1]}, 0},
    };
    std::size_t saved = 0;
    for (const auto& group : groups)
        for (ImageType type : group.types)
            for (const std::string& extension : group.extensions) {
                if (extension == ".jp2" && !cv::haveImageWriter("x.jp2"))
                    continue;
                SCOPED_TRACE(ImageTypeName(type) + extension);
                const std::string path = Path(ImageTypeName(type) + extension);
                const CImage image = MakeImage(type, CSize(67, 45), 1, group.tolerance > 0);
                CImageIo2::Save(path.c_str(), image);
                ++saved;
                std::unique_ptr<CImage> loaded(CImageIo2::Load(path.c_str()));
                // iass keeps every type, .pbm gives BOOL, other formats give masks back as 0/255 grey.
                const bool keeps = extension.find("iass") != std::string::npos || !IsMaskType(type);
                ASSERT_EQ(loaded->Type(), keeps ? type : extension == ".pbm" ? IMAGE_BOOL : IMAGE_GREY_8);
                ASSERT_EQ(loaded->Size(), image.Size());
                CImage expected = image;
                if (loaded->Type() == IMAGE_GREY_8 && IsMaskType(image.Type()))
                    PlaneMat(expected).setTo(255, PlaneMat(expected));
                EXPECT_LE(MaxDifference(expected, *loaded), group.tolerance);
            }
    EXPECT_EQ(Files().size(), saved) << "one file each, no temporary left behind";
}

// PNG files are read and written with libpng itself unless they need OpenCV's conversions; both paths must
// agree with OpenCV's codec in byte order and channel order, each way.
TEST_F(ImageIoTest, PngAgreesWithOpenCvBothWays)
{
    cv::RNG rng(3);
    for (const int type : {CV_8UC1, CV_16UC1, CV_8UC3, CV_16UC3, CV_8UC4}) {
        SCOPED_TRACE(type);
        cv::Mat bgr(9, 13, type);
        rng.fill(bgr, cv::RNG::UNIFORM, 0, CV_MAT_DEPTH(type) == CV_16U ? 65536 : 256);
        const std::string theirs = Path("theirs.png");
        cv::imwrite(theirs, bgr);
        std::unique_ptr<CImage> loaded(CImageIo2::Load(theirs.c_str()));
        cv::Mat expected = cv::imread(theirs, cv::IMREAD_UNCHANGED);
        if (expected.channels() > 1)
            cv::cvtColor(expected, expected, expected.channels() == 4 ? cv::COLOR_BGRA2RGB : cv::COLOR_BGR2RGB);
        if (type == CV_16UC3)
            expected.convertTo(expected, CV_8UC3, 1.0 / 257.0);
        EXPECT_EQ(cv::norm(PlaneMat(*loaded), expected, cv::NORM_INF), 0);

        const std::string ours = Path("ours.png");
        CImageIo2::Save(ours.c_str(), *loaded);
        cv::Mat back = cv::imread(ours, cv::IMREAD_UNCHANGED);
        if (back.channels() == 3)
            cv::cvtColor(back, back, cv::COLOR_BGR2RGB);
        EXPECT_EQ(cv::norm(PlaneMat(*loaded), back, cv::NORM_INF), 0);
    }
}

// A file of a few bytes whose header claims 32768 x 32768 16-bit colour samples (6 GiB) is refused before
// the image is allocated: in an address space of 4 GiB allocating it would throw instead.
TEST_F(ImageIoTest, PngClaimingMoreThanItCanHoldIsRefusedUnallocated)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer's shadow memory alone exceeds the limit";
#endif
    std::vector<uchar> png;
    cv::imencode(".png", cv::Mat(1, 1, CV_16UC3, cv::Scalar::all(7)), png);
    for (const int at : {16, 20}) { // the IHDR's width and height, big-endian, and its CRC after them
        png[at + 2] = 0x80;
        png[at + 3] = 0;
    }
    const uLong crc = crc32(0, png.data() + 12, 17);
    for (int i = 0; i < 4; ++i)
        png[29 + i] = static_cast<uchar>(crc >> (24 - 8 * i));
    const std::string path = WriteBytes("claims.png", std::string(png.begin(), png.end()));
    const auto readLimited = [&path] {
        const rlimit limit{4ull << 30, 4ull << 30};
        setrlimit(RLIMIT_AS, &limit);
        cv::Mat image;
        return detail::ReadPlainPng(path, image);
    };
    EXPECT_EXIT(std::exit(readLimited() ? 1 : 0), ::testing::ExitedWithCode(0), "");
}

TEST_F(ImageIoTest, ThreeDimensionalFilesKeepPlanesAndAttributes)
{
    for (const char* name : {"volume.iass.gz", "volume.iass", "volume.tif"}) {
        CImage image = MakeImage(IMAGE_GREY_16, CSize(31, 17, 5), 7);
        image.SetOrigin(CSize(-4, 5, 6));
        DeserializeString(image.Attributes(), R"({"scan": {"voltage": 0.1, "name": "line 1\nline \"2\""}, "list": [-3, true, nan]})",
                          CTextSerializer());
        image.Attributes().Entry("scan").Meta().SetEntry("unit", new CValueString("kV"));
        const std::string path = Path(name);
        CImageIo2::Save(path.c_str(), image);
        std::unique_ptr<CImage> loaded(CImageIo2::Load(path.c_str()));
        EXPECT_EQ(loaded->Size(), image.Size()) << name;
        EXPECT_EQ(MaxDifference(image, *loaded), 0) << name;
        if (std::string(name).find("iass") != std::string::npos) {
            EXPECT_TRUE(loaded->SamePixels(image)) << name; // origin too
            EXPECT_TRUE(loaded->Attributes().Equal(image.Attributes())) << name;
        }
    }
}

TEST_F(ImageIoTest, PbmFromElsewhereLoadsAsAMask)
{
    // Whatever the codec made of its bits.
    WriteBytes("other.pbm", std::string("P1\n3 2\n1 0 1\n0 0 1\n"));
    std::unique_ptr<CImage> loaded(CImageIo2::Load(Path("other.pbm").c_str()));
    ASSERT_EQ(loaded->Type(), IMAGE_BOOL);
    EXPECT_EQ(loaded->Row<uint8_t>(0)[0] + loaded->Row<uint8_t>(0)[1], 1);
    EXPECT_EQ(loaded->Row<uint8_t>(1)[2], loaded->Row<uint8_t>(0)[0]);
}

TEST_F(ImageIoTest, WhatCannotBeKeptIsConvertedWithAWarning)
{
    cv::Mat colour16(2, 2, CV_16UC3, cv::Scalar(0, 257 * 100, 65535));
    cv::imwrite(Path("deep.png"), colour16);
    std::unique_ptr<CImage> deep(CImageIo2::Load(Path("deep.png").c_str()));
    ASSERT_EQ(deep->Type(), IMAGE_RGB_8);
    EXPECT_EQ(deep->Row<uint8_t>(1)[3], 255); // R of the second pixel
    EXPECT_EQ(deep->Row<uint8_t>(1)[4], 100);
    EXPECT_NE(deep->Attributes().EntryString("warning").find("8 bits"), std::string::npos);

    cv::Mat bgra(3, 4, CV_8UC4, cv::Scalar(10, 20, 30, 128));
    cv::imwrite(Path("alpha.png"), bgra);
    std::unique_ptr<CImage> loaded(CImageIo2::Load(Path("alpha.png").c_str()));
    ASSERT_EQ(loaded->Type(), IMAGE_RGB_8);
    EXPECT_EQ(loaded->Row<uint8_t>(0)[0], 30);
    EXPECT_NE(loaded->Attributes().EntryString("warning").find("alpha"), std::string::npos);

    // Damage the decoders repair silently: a JPEG cut short, a PNG chunk whose checksum does not match.
    std::vector<uchar> jpeg, png;
    cv::Mat noise(64, 64, CV_8UC1);
    cv::randu(noise, 0, 255);
    cv::imencode(".jpg", noise, jpeg);
    cv::imencode(".png", noise, png, {cv::IMWRITE_PNG_COMPRESSION, 0});
    WriteBytes("cut.jpg", std::string(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(jpeg.size() * 2 / 3)));
    const std::string text("\0\0\0\x09tEXtkey\0value\x01\x02\x03\x04", 21); // the CRC is wrong
    WriteBytes("crc.png", std::string(png.begin(), png.begin() + 33) + text + std::string(png.begin() + 33, png.end()));
    for (const auto& [name, words] : {std::pair<const char*, const char*>{"cut.jpg", "truncated"}, {"crc.png", "tEXt"}}) {
        std::unique_ptr<CImage> repaired(CImageIo2::Load(Path(name).c_str()));
        EXPECT_NE(repaired->Attributes().EntryString("warning").find(words), std::string::npos) << name;
    }
}

struct StRefusal
{
    ImageType type;
    CSize size;
    const char* name;
    const char* reason;
};

TEST_F(ImageIoTest, RefusedSavesNameTheFileAndLeaveNothing)
{
    WriteBytes("plain", "x");
    const StRefusal refusals[] = {
        {IMAGE_GREY_F, CSize(4, 4), "f.png", "GREY_F"},
        {IMAGE_COMPLEX_F, CSize(4, 4), "c.tif", "COMPLEX_F"},
        {IMAGE_GREY_16, CSize(4, 4), "g.jpg", "JPEG"},
        {IMAGE_GREY_8, CSize(4, 4), "g.xyz", "unsupported image format"},
        {IMAGE_GREY_8, CSize(4, 4, 3), "v.png", "3-D"},
        {IMAGE_GREY_8, CSize(4, 4), "missing/dir/g.png", "No such file"},
        {IMAGE_GREY_8, CSize(4, 4), "plain/g.png", "Not a directory"},
        {IMAGE_GREY_8, CSize(0, 4), "empty.png", "empty"},
    };
    for (const StRefusal& r : refusals)
        ExpectIoError([&] { CImageIo2::Save(Path(r.name).c_str(), MakeImage(r.type, r.size)); }, Path(r.name), r.reason);
    EXPECT_EQ(Files(), std::vector<std::string>{"plain"});
}

TEST_F(ImageIoTest, FailedWriteKeepsTheOldFileAndNoTemporary)
{
    const std::string path = Path("out.png");
    CImageIo2::Save(path.c_str(), MakeImage(IMAGE_GREY_8, CSize(5, 5)));
    const auto before = fs::file_size(path);
    // A directory under the final name: everything is written, the rename into place fails.
    fs::create_directory(Path("taken.png"));
    EXPECT_THROW(CImageIo2::Save(Path("taken.png").c_str(), MakeImage(IMAGE_GREY_8, CSize(5, 5))), CExIo);
    // A pointer attribute cannot be written: fails after the temporary was created.
    CImage withPointer = MakeImage(IMAGE_GREY_8, CSize(5, 5));
    static int target = 0;
    withPointer.Attributes().SetEntry("p", new CValuePointer<int>(&target));
    ExpectIoError([&] { CImageIo2::Save(Path("p.iass").c_str(), withPointer); }, Path("p.iass"), "");
    EXPECT_EQ(Files(), (std::vector<std::string>{"out.png", "taken.png"}));
    EXPECT_EQ(fs::file_size(path), before);
}

std::string IassHeader(const std::string& header)
{
    return "IASS 1\n" + header + "\n";
}

TEST_F(ImageIoTest, BrokenFilesFailWithTheReason)
{
    CImageIo2::Save(Path("good.png").c_str(), MakeImage(IMAGE_RGB_8, CSize(40, 40)));
    std::ifstream in(Path("good.png"), std::ios::binary);
    const std::string png((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    WriteBytes("truncated.png", png.substr(0, png.size() / 2));
    WriteBytes("empty.png", "");
    fs::create_directory(Path("dir.png"));
    const std::string tiny = R"({"type": "GREY_8", "size": [4, 2, 1], "origin": [0, 0, 0], "attributes": {}})";
    WriteBytes("truncated.iass", IassHeader(tiny) + "1234567");
    WriteBytes("long.iass", IassHeader(tiny) + "123456789");
    WriteBytes("huge.iass", IassHeader(R"({"type": "GREY_8", "size": [100000, 100000, 1000], "origin": [0, 0, 0]})") + "x");
    WriteBytes("big.iass", IassHeader(R"({"type": "GREY_16", "size": [10000, 10000, 10], "origin": [0, 0, 0]})") + "x");
    WriteBytes("garbage.iass", "IASS 1\n\x01\x02garbage{{\n12345678");
    WriteBytes("magic.iass", "IASS 2\n{}\n");
    WriteBytes("type.iass", IassHeader(R"({"type": "GREY_9", "size": [1, 1, 1], "origin": [0, 0, 0]})") + "x");
    WriteBytes("zero.iass", IassHeader(R"({"type": "GREY_8", "size": [1, 0, 1], "origin": [0, 0, 0]})"));
    WriteBytes("nosize.iass", IassHeader(R"({"type": "GREY_8", "size": [1, 1], "origin": [0, 0, 0]})") + "x");
    WriteBytes("endless.iass", "IASS 1\n" + std::string(3 << 20, '{'));
    WriteBytes("image.xyz", "x");
    WriteGzip(Path("long.iass.gz"), (IassHeader(tiny) + "12345678" + "extra"));
    WriteGzip(Path("exact.iass.gz"), (IassHeader(tiny) + "12345678"));
    fs::copy_file(Path("exact.iass.gz"), Path("notrailer.iass.gz"));
    fs::resize_file(Path("notrailer.iass.gz"), fs::file_size(Path("exact.iass.gz")) - 8);
    WriteBytes("short.iass.gz", "\x1f\x8b\x08\x00garbage");
    WriteGzip(Path("big.iass.gz"), (IassHeader(R"({"type": "GREY_F", "size": [10000, 10000, 100], "origin": [0, 0, 0]})") + "x"));
    const std::pair<const char*, const char*> cases[] = {
        {"missing.png", "no such file"},     {"dir.png", "is a directory"},
        {"empty.png", "empty"},              {"truncated.png", "cannot decode"},
        {"truncated.iass", "truncated"},     {"long.iass", "holds 9"},
        {"huge.iass", "too large"},          {"big.iass", "holds 1"},
        {"garbage.iass", "invalid header"},  {"magic.iass", "not an IASS file"},
        {"type.iass", "GREY_9"},             {"zero.iass", "not positive"},
        {"nosize.iass", "three integers"},   {"endless.iass", "1 MiB"},
        {"image.xyz", "unsupported"},        {"long.iass.gz", "more"},
        {"short.iass.gz", ""},               {"big.iass.gz", "truncated"},
        {"notrailer.iass.gz", "truncated"},
    };
    std::unique_ptr<CImage> exact(CImageIo2::Load(Path("exact.iass.gz").c_str()));
    EXPECT_EQ(exact->Row<uint8_t>(1)[3], '8');
    for (const auto& [name, reason] : cases)
        ExpectIoError([&] { delete CImageIo2::Load(Path(name).c_str()); }, Path(name), reason);
}

TEST_F(ImageIoTest, TiffPagesMustAgree)
{
    std::vector<cv::Mat> pages = {cv::Mat(4, 4, CV_8UC1, cv::Scalar(1)), cv::Mat(5, 4, CV_8UC1, cv::Scalar(2))};
    ASSERT_TRUE(cv::imwritemulti(Path("mixed.tif"), pages));
    ExpectIoError([&] { delete CImageIo2::Load(Path("mixed.tif").c_str()); }, Path("mixed.tif"), "page 2");
}

// A format read by a decoder of its own is a registry row and a decoder that finds each other by name.
TEST(FormatRegistry, RowsOfOwnDecodersAndTheDecodersAgree)
{
    std::set<std::string> rows;
    for (const StFileFormat& format : CFormatRegistry::Formats()) {
        if (format.codec != FMT_DECODER)
            continue;
        rows.insert(format.name);
        EXPECT_NE(ImageDecoders::Find(format.name), nullptr) << format.extension << " has no decoder";
        EXPECT_FALSE(format.writable) << format.extension << ": a decoder cannot write";
    }
    for (const auto& decoder : ImageDecoders::All())
        EXPECT_EQ(rows.count(decoder.first), 1u) << decoder.first << " has no row in the format registry";
}

} // namespace
