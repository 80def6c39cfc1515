// The readers for GIF, TGA, ICO and bare JPEG 2000 codestreams: the pixels they give, and corrupt files
// failing with the reason and the file's name. The sample files in tests/data hold Grey(width, height):
// file.gif and file.tga 300 x 7 (wider than one GIF clear-code run), file.j2k and file.jp2 40 x 33 (lossy),
// file.ico a 16 x 16 BMP entry and a 32 x 24 PNG entry, bmp.ico a 32 x 24 BMP entry and an 8 x 8 PNG one.
#include "testsupport.h"

using namespace KORA;

namespace {

// A ramp with some texture, so that a shifted or flipped decode shows.
cv::Mat Grey(int width, int height)
{
    cv::Mat grey(height, width, CV_8UC1);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            grey.at<uint8_t>(y, x) = static_cast<uint8_t>((x * 7 + y * 13 + (x * y) % 5) & 0xff);
    return grey;
}

std::string SamplePath(const std::string& name)
{
    return std::string(std::getenv("VORNE_SOURCE_DIR")) + "/tests/data/" + name;
}

std::string Sample(const std::string& name)
{
    std::ifstream in(SamplePath(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Channel 0 of the loaded sample as an 8-bit plane.
cv::Mat Load(const std::string& name, ImageType expected)
{
    std::unique_ptr<CImage> image(CImageIo2::Load(SamplePath(name).c_str()));
    EXPECT_EQ(image->Type(), expected) << name;
    EXPECT_FALSE(image->Attributes().HasEntry("warning")) << name;
    cv::Mat first;
    cv::extractChannel(PlaneMat(*image, 0), first, 0);
    return first.clone();
}

class PixelSources : public testsupport::TempDir
{
};

bool Same(const cv::Mat& a, const cv::Mat& b)
{
    return a.size() == b.size() && cv::norm(a, b, cv::NORM_INF) == 0;
}

TEST_F(PixelSources, DecodeTheirPixels)
{
    EXPECT_TRUE(Same(Load("file.gif", IMAGE_RGB_8), Grey(300, 7)));
    EXPECT_TRUE(Same(Load("file.tga", IMAGE_GREY_8), Grey(300, 7)));
    // The bare codestream must decode as its .jp2 does.
    EXPECT_TRUE(Same(Load("file.j2k", IMAGE_GREY_8), Load("file.jp2", IMAGE_GREY_8)));
    EXPECT_TRUE(Same(Load("file.ico", IMAGE_GREY_8), Grey(32, 24))); // the larger entry wins
    EXPECT_TRUE(Same(Load("bmp.ico", IMAGE_GREY_8), Grey(32, 24)));
}

TEST_F(PixelSources, CorruptFilesFailWithTheReason)
{
    const std::string tga = Sample("file.tga"), j2k = Sample("file.j2k"), ico = Sample("file.ico");
    std::string hugeTga = tga.substr(0, 18), entryOutside = ico, badPng = ico, notAnEntry = Sample("bmp.ico");
    hugeTga[12] = hugeTga[13] = hugeTga[14] = hugeTga[15] = '\xff';
    entryOutside[6 + 16 + 15] = '\x7f'; // the second entry's offset
    notAnEntry.replace(6 + 32, 4, "\x05\0\0\0", 4); // the chosen entry is the BMP
    badPng.replace(badPng.size() - 40, 20, std::string(20, 'x'));
    const struct
    {
        const char* name;
        std::string bytes;
        const char* reason;
    } cases[] = {
        {"garbage.gif", "GIF89a" + std::string(20, '\x01'), "cannot decode the GIF"},
        {"huge.gif", std::string("GIF89a\xff\xff\xff\xff\0\0\0;", 14), "too large"},
        {"nogif.gif", "hello", "cannot decode the GIF"},
        {"truncated.tga", tga.substr(0, tga.size() - 1), "truncated"},
        {"huge.tga", hugeTga, "truncated"},
        {"truncated.j2k", j2k.substr(0, j2k.size() / 3), "cannot decode"},
        {"notico.ico", "\x01\0\x01\0\x01\0", "not an ICO"},
        {"empty.ico", std::string("\0\0\x01\0\0\0", 6), "empty"},
        {"directory.ico", std::string("\0\0\x01\0\x09\0", 6) + std::string(40, '\0'), "truncated"},
        {"outside.ico", entryOutside, "outside the file"},
        {"notentry.ico", notAnEntry, "neither PNG nor BMP"},
        {"badpng.ico", badPng, "cannot decode the icon's PNG entry"},
    };
    for (const auto& c : cases) {
        const std::string path = WriteBytes(c.name, c.bytes);
        const std::string message = testsupport::ErrorOf([&] { delete CImageIo2::Load(path.c_str()); }, true);
        testsupport::ExpectWords(message, {path, c.reason}, c.name);
    }
}

} // namespace
