// TIFF files as other programs write them, made here with libtiff.
#include <tiffio.h>

#include "testsupport.h"

using namespace KORA;

namespace {

struct StLayout
{
    uint16_t samples = 1, bits = 8, format = SAMPLEFORMAT_UINT, photometric = PHOTOMETRIC_MINISBLACK;
    int extra = -1; // the kind of the one extra sample
    const char* mode = "w";
    bool tiled = false, separate = false;
    uint16_t compression = COMPRESSION_NONE;
};

void SetTags(TIFF* tif, const StLayout& l, uint32_t width, uint32_t height)
{
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, l.samples);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, l.bits);
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, l.format);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, l.photometric);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, l.separate ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, l.compression);
    if (l.extra >= 0) {
        const uint16_t kind = static_cast<uint16_t>(l.extra);
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &kind);
    }
    if (l.tiled) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, 16);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, 16);
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 3);
    }
}

// Pages of m (rows x cols, one channel per sample) in layout l; the description goes on the first.
void WritePages(const std::string& path, const std::vector<cv::Mat>& pages, StLayout l, const std::string& description = "")
{
    TIFF* tif = TIFFOpen(path.c_str(), l.mode);
    for (const cv::Mat& m : pages) {
        SetTags(tif, l, m.cols, m.rows);
        if (&m == &pages.front() && !description.empty())
            TIFFSetField(tif, TIFFTAG_IMAGEDESCRIPTION, description.c_str());
        for (int p = 0; p < (l.separate ? m.channels() : 1); ++p) {
            cv::Mat source = m.clone(); // libtiff swaps the bytes of what it writes big-endian
            if (l.separate)
                cv::extractChannel(m, source, p);
            for (int y = 0; y < m.rows; y += l.tiled ? 16 : 1)
                for (int x = 0; x < (l.tiled ? m.cols : 1); x += 16) {
                    if (!l.tiled) {
                        TIFFWriteScanline(tif, source.ptr(y), y, static_cast<uint16_t>(p));
                        continue;
                    }
                    cv::Mat tile(16, 16, source.type(), cv::Scalar::all(0));
                    const cv::Rect inside = cv::Rect(x, y, 16, 16) & cv::Rect(0, 0, m.cols, m.rows);
                    source(inside).copyTo(tile(cv::Rect(0, 0, inside.width, inside.height)));
                    TIFFWriteTile(tif, tile.data, x, y, 0, static_cast<uint16_t>(p));
                }
        }
        TIFFWriteDirectory(tif);
    }
    TIFFClose(tif);
}

// One 4 x 3 page whose bytes count up by 37 from 11, written as they are whatever the layout.
void WriteRaw(const std::string& path, const StLayout& l)
{
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    SetTags(tif, l, 4, 3);
    if (l.photometric == PHOTOMETRIC_PALETTE) {
        std::vector<uint16_t> r(256), g(256), b(256);
        for (int i = 0; i < 256; ++i)
            std::tie(r[i], g[i], b[i]) = std::make_tuple(i * 257, 65535 - i * 257, 0);
        TIFFSetField(tif, TIFFTAG_COLORMAP, r.data(), g.data(), b.data());
    }
    std::vector<uint8_t> bytes((4 * l.samples * l.bits + 7) / 8 * 3);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 37 + 11);
    TIFFWriteEncodedStrip(tif, 0, bytes.data(), static_cast<tmsize_t>(bytes.size()));
    TIFFClose(tif);
}

std::unique_ptr<CImage> Load(const std::string& path, int channel = -1, int time = 0)
{
    StImgLoadCfg config;
    if (channel >= 0)
        config = StImgLoadCfg{IMG_LOAD_PLANE, channel, time};
    return std::unique_ptr<CImage>(CImageIo2::Load(path.c_str(), config));
}

std::string LoadError(const std::string& path, int channel = -1, int time = 0)
{
    return testsupport::ErrorOf([&] { Load(path, channel, time); }, true);
}

class TiffTest : public testsupport::TempDir
{
};

TEST_F(TiffTest, EveryLayoutGivesThePixels)
{
    cv::Mat grey(37, 21, CV_16UC1), colour(37, 21, CV_8UC3), floats(37, 21, CV_32FC1);
    cv::randu(grey, 0, 65535);
    cv::randu(colour, 0, 255);
    cv::randu(floats, -1e6, 1e6);
    const StLayout layouts[] = {{}, {1, 8, 1, 1, -1, "wb"}, {1, 8, 1, 1, -1, "w8"}, {1, 8, 1, 1, -1, "w", true},
                                {1, 8, 1, 1, -1, "w", false, true}, {1, 8, 1, 1, -1, "w", true, true, COMPRESSION_ADOBE_DEFLATE},
                                {1, 8, 1, 1, -1, "wb", false, false, COMPRESSION_LZW}};
    for (const StLayout& base : layouts)
        for (const cv::Mat& m : {grey, colour, floats}) {
            StLayout l = base;
            l.samples = static_cast<uint16_t>(m.channels());
            l.bits = static_cast<uint16_t>(m.elemSize1() * 8);
            l.format = m.depth() == CV_32F ? SAMPLEFORMAT_IEEEFP : SAMPLEFORMAT_UINT;
            l.photometric = m.channels() == 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
            WritePages(Path("l.tif"), {m, m}, l);
            const auto image = Load(Path("l.tif"));
            ASSERT_EQ(image->Size(), CSize(21, 37, 2)) << base.mode << base.tiled << base.separate;
            EXPECT_EQ(cv::norm(PlaneMat(*image, 1), m, cv::NORM_INF), 0) << base.mode << base.tiled << base.separate;
        }
    // Past 225 KB the file's first bytes, read as a directory, would point into its pixels.
    const cv::Mat large(500, 500, CV_8UC1, cv::Scalar(200));
    WritePages(Path("large.tif"), {large}, {});
    EXPECT_EQ(cv::norm(PlaneMat(*Load(Path("large.tif")), 0), large, cv::NORM_INF), 0);
}

TEST_F(TiffTest, WhatLoadedBeforeLoadsTheSameAndTheRestIsRefused)
{
    const struct
    {
        StLayout layout;
        ImageType type;
        std::vector<int> first; // the first bytes of the image
        const char* warning;
    } cases[] = {
        {{4, 8, 1, PHOTOMETRIC_RGB, EXTRASAMPLE_UNASSALPHA}, IMAGE_RGB_8, {5, 23, 41}, "alpha"}, // colour times alpha
        {{2, 8, 1, 1, EXTRASAMPLE_UNSPECIFIED}, IMAGE_GREY_8, {11, 85}, "alpha"},
        {{1, 8, 1, PHOTOMETRIC_PALETTE}, IMAGE_RGB_8, {11, 244, 0}, ""},
        {{1, 1, 1, PHOTOMETRIC_MINISWHITE}, IMAGE_GREY_8, {255, 255, 255, 255, 255, 255, 0}, ""},
        {{1, 8, 1, PHOTOMETRIC_MINISWHITE}, IMAGE_GREY_8, {244, 207}, ""},
        {{1, 16, 1, PHOTOMETRIC_MINISWHITE}, IMAGE_GREY_16, {11, 48}, ""},
        {{1, 12, 1, 1}, IMAGE_GREY_16, {48, 11, 80, 5}, ""}, // 12 bits scaled to 16
        {{3, 16, 1, PHOTOMETRIC_RGB}, IMAGE_RGB_8, {48, 122, 196}, "8 bits"},
        {{1, 16, SAMPLEFORMAT_INT, 1}, IMAGE_GREY_F, {0, 44, 64, 70}, "floating point"},
    };
    for (const auto& c : cases) {
        WriteRaw(Path("k.tif"), c.layout);
        const auto image = Load(Path("k.tif"));
        SCOPED_TRACE(c.layout.bits * 10 + c.layout.photometric);
        ASSERT_EQ(image->Type(), c.type);
        for (std::size_t i = 0; i < c.first.size(); ++i)
            EXPECT_EQ(static_cast<const uint8_t*>(image->Data())[i], c.first[i]) << i;
        EXPECT_NE(image->Attributes().EntryString("warning", "").find(c.warning), std::string::npos);
    }
    const std::pair<StLayout, const char*> refused[] = {{{1, 32, 1, 1}, "32-bit unsigned integer"},
                                                        {{1, 32, 2, 1}, "32-bit signed integer"},
                                                        {{1, 64, 3, 1}, "64-bit floating-point"},
                                                        {{3, 8, 1, 1}, "3 8-bit unsigned integer samples"}};
    for (const auto& [layout, words] : refused) {
        WriteRaw(Path("r.tif"), layout);
        testsupport::ExpectWords(LoadError(Path("r.tif")), {words, Path("r.tif")});
    }
}

// 2 channels x 5 planes in ImageJ's order and OME's XYZCT, 4 planes x 3 time points; page i holds i.
TEST_F(TiffTest, ChannelsAndTimePointsAreChosenNeverStacked)
{
    std::vector<cv::Mat> pages;
    for (int i = 0; i < 12; ++i)
        pages.push_back(cv::Mat(3, 4, CV_8UC1, cv::Scalar(i)));
    const std::vector<cv::Mat> ten(pages.begin(), pages.begin() + 10);
    WritePages(Path("ij.tif"), ten, {}, "ImageJ=1.53t\nimages=10\nchannels=2\nslices=5\nhyperstack=true\n");
    WritePages(Path("ome.tif"), ten, {},
               "<?xml version=\"1.0\"?><OME xmlns=\"http://www.openmicroscopy.org/Schemas/OME/2016-06\"><Image ID=\"I\">"
               "<Pixels DimensionOrder=\"XYZCT\" SizeX=\"4\" SizeY=\"3\" SizeZ=\"5\" SizeC=\"2\" SizeT=\"1\" Type=\"uint8\">"
               "<TiffData/></Pixels></Image></OME>");
    WritePages(Path("time.tif"), pages, {}, "ImageJ=1.53t\nimages=12\nslices=4\nframes=3\n");
    const std::tuple<const char*, int, int, int, int> chosen[] = {
        {"ij.tif", 1, 0, 5, 3}, {"ome.tif", 1, 0, 5, 6}, {"time.tif", 0, 2, 4, 9}}; // file, C, T, planes, page of z=1
    for (const auto& [name, channel, time, planes, page] : chosen) {
        testsupport::ExpectWords(LoadError(Path(name)), {Path(name), "--channel PORT=C", "--time PORT=T"}, name);
        const auto image = Load(Path(name), channel, time);
        ASSERT_EQ(image->Size(), CSize(4, 3, planes)) << name;
        EXPECT_EQ(image->Row<uint8_t>(0, 1)[0], page) << name;
    }
    testsupport::ExpectWords(LoadError(Path("ij.tif")), {"C=2", "Z=5", "T=1"});
    // OME counts colour samples in SizeC.
    WritePages(Path("rgb.tif"), {cv::Mat(3, 4, CV_8UC3), cv::Mat(3, 4, CV_8UC3)}, {3, 8, 1, PHOTOMETRIC_RGB},
               "<OME><Image><Pixels DimensionOrder=\"XYCZT\" SizeZ=\"2\" SizeC=\"3\" SizeT=\"1\"/></Image></OME>");
    EXPECT_EQ(Load(Path("rgb.tif"))->Size(), CSize(4, 3, 2));
    testsupport::ExpectWords(LoadError(Path("time.tif"), 1, 0), {"channel 1", "not in the file"});
    WritePages(Path("short.tif"), ten, {}, "ImageJ=1.53t\nimages=12\nchannels=2\nslices=6\n");
    testsupport::ExpectWords(LoadError(Path("short.tif"), 0, 0), {"12 pages", "holds 10"});
}

TEST_F(TiffTest, BrokenFilesFailWithTheReason)
{
    // A header of 8 entries, the IFD at 8, one pixel after it; next IFD, strip offset and width patchable.
    const auto write = [this](const char* name, uint32_t next, uint32_t strip, uint16_t width) {
        std::string b("II*\0\x08\0\0\0\x08\0", 10);
        const auto put = [&b](uint32_t v, int bytes) {
            for (int i = 0; i < bytes; ++i)
                b += static_cast<char>(v >> (8 * i));
        };
        const uint32_t entries[][2] = {{256, width}, {257, 1}, {258, 8}, {259, 1}, {262, 1}, {273, strip}, {278, 1}, {279, 1}};
        for (const auto& e : entries) {
            put(e[0], 2);
            put(e[0] == 273 || e[0] == 279 ? 4 : 3, 2);
            put(1, 4);
            put(e[1], 4);
        }
        put(next, 4);
        b += '\x7f';
        std::ofstream(Path(name), std::ios::binary) << b;
    };
    write("ok.tif", 0, 110, 1);
    write("loop.tif", 8, 110, 1);
    write("past.tif", 0, 5000, 1);
    write("zero.tif", 0, 110, 0);
    EXPECT_EQ(Load(Path("ok.tif"))->Row<uint8_t>(0)[0], 0x7f);
    TIFF* tif = TIFFOpen(Path("claims.tif").c_str(), "w");
    SetTags(tif, StLayout{1, 8, 1, 1, -1, "w", false, false, COMPRESSION_ADOBE_DEFLATE}, 20000, 20000);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 20000);
    TIFFWriteRawStrip(tif, 0, const_cast<char*>("0123456789"), 10);
    TIFFClose(tif);
    std::filesystem::copy_file(Path("ok.tif"), Path("cut.tif"));
    std::filesystem::resize_file(Path("cut.tif"), 110);
    const std::pair<const char*, const char*> cases[] = {
        {"loop.tif", "page 2"}, {"past.tif", "truncated"}, {"zero.tif", "zero"}, {"claims.tif", "10 bytes"},
        {"cut.tif", "truncated"}};
    for (const auto& [name, reason] : cases)
        testsupport::ExpectWords(LoadError(Path(name)), {Path(name), reason}, name);
}

TEST_F(TiffTest, PixelSizesTravel)
{
    // ImageJ: resolution in pixels per its unit; OME: physical sizes; our own outputs, 2-D and 3-D.
    StLayout l;
    WritePages(Path("ij.tif"), {cv::Mat(2, 2, CV_8UC1), cv::Mat(2, 2, CV_8UC1)}, l, "ImageJ=1.53t\nimages=2\nunit=micron\nspacing=2.5\n");
    TIFF* tif = TIFFOpen(Path("ij.tif").c_str(), "r+");
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, 4.0f);
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, 2.0f);
    TIFFRewriteDirectory(tif);
    TIFFClose(tif);
    WritePages(Path("ome.tif"), {cv::Mat(2, 2, CV_8UC1)}, l,
               "<?xml version=\"1.0\"?><OME><Image><Pixels DimensionOrder=\"XYCZT\" SizeZ=\"1\" SizeC=\"1\" SizeT=\"1\" "
               "PhysicalSizeX=\"0.3\" PhysicalSizeY=\"0.3\" PhysicalSizeXUnit=\"nm\"/></Image></OME>");
    const auto expect = [this](const std::string& name, double x, double y, double z, const char* unit) {
        auto image = Load(Path(name));
        EXPECT_NEAR(image->Attributes().EntryDouble("pixel_size_x"), x, 1e-6 * x) << name;
        EXPECT_NEAR(image->Attributes().EntryDouble("pixel_size_y"), y, 1e-6 * y) << name;
        EXPECT_NEAR(image->Attributes().EntryDouble("pixel_size_z"), z, 1e-6 * z) << name;
        EXPECT_EQ(image->Attributes().EntryString("pixel_unit"), unit) << name;
        return image;
    };
    const auto stack = expect("ij.tif", 0.25, 0.5, 2.5, "\xC2\xB5m");
    expect("ome.tif", 0.3, 0.3, 0, "nm");
    CImageIo2::Save(Path("out3.tif").c_str(), *stack);
    expect("out3.tif", 0.25, 0.5, 2.5, "\xC2\xB5m");
    CImage plane(IMAGE_GREY_8, CSize(2, 2));
    plane.Attributes().Copy(stack->Attributes());
    CImageIo2::Save(Path("out2.tif").c_str(), plane);
    expect("out2.tif", 0.25, 0.5, 0, "\xC2\xB5m");
    tif = TIFFOpen(Path("out2.tif").c_str(), "r");
    float resolution = 0;
    uint16_t unit = 0;
    TIFFGetField(tif, TIFFTAG_XRESOLUTION, &resolution);
    TIFFGetField(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    TIFFClose(tif);
    EXPECT_EQ(unit, RESUNIT_CENTIMETER);
    EXPECT_NEAR(resolution, 40000, 0.1);
}

} // namespace
