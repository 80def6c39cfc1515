// The readers for GIF, TGA, ICO and bare JPEG 2000 codestreams: the pixels they give, and corrupt files
// failing with the reason and the file's name.
#include "formatfiles.h"
#include "testsupport.h"

using namespace KORA;

namespace {

class PixelSources : public testsupport::TempDir
{
protected:
    // Channel 0 of the loaded image as an 8-bit plane.
    cv::Mat Load(const std::string& name, const std::string& bytes, ImageType expected)
    {
        std::unique_ptr<CImage> image(CImageIo2::Load(WriteBytes(name, bytes).c_str()));
        EXPECT_EQ(image->Type(), expected) << name;
        EXPECT_FALSE(image->Attributes().HasEntry("warning")) << name;
        cv::Mat first;
        cv::extractChannel(PlaneMat(*image, 0), first, 0);
        return first.clone();
    }
};

bool Same(const cv::Mat& a, const cv::Mat& b)
{
    return a.size() == b.size() && cv::norm(a, b, cv::NORM_INF) == 0;
}

TEST_F(PixelSources, DecodeTheirPixels)
{
    const cv::Mat grey = formatfiles::Grey(300, 7); // wider than one GIF clear-code run
    EXPECT_TRUE(Same(Load("a.gif", formatfiles::Gif(grey), IMAGE_RGB_8), grey));
    EXPECT_TRUE(Same(Load("a.TGA", formatfiles::Tga(grey), IMAGE_GREY_8), grey));
    // OpenCV's JPEG 2000 encoder wants 32 pixels each way and is lossy: the bare codestream must decode as
    // its .jp2 does.
    const cv::Mat square = formatfiles::Grey(40, 33);
    EXPECT_TRUE(Same(Load("a.j2k", formatfiles::J2k(square), IMAGE_GREY_8),
                     Load("a.jp2", formatfiles::Encoded(square, ".jp2"), IMAGE_GREY_8)));
    const cv::Mat icon = formatfiles::Grey(32, 24);
    EXPECT_TRUE(Same(Load("png.ico", formatfiles::Ico(formatfiles::Grey(16, 16), icon), IMAGE_GREY_8), icon));
    EXPECT_TRUE(Same(Load("bmp.ico", formatfiles::Ico(icon, formatfiles::Grey(8, 8)), IMAGE_GREY_8), icon));
}

TEST_F(PixelSources, CorruptFilesFailWithTheReason)
{
    const cv::Mat grey = formatfiles::Grey(20, 10);
    const std::string tga = formatfiles::Tga(grey);
    const std::string j2k = formatfiles::J2k(formatfiles::Grey(40, 33));
    const std::string ico = formatfiles::Ico(formatfiles::Grey(8, 8), grey);
    std::string hugeTga = tga.substr(0, 18), entryOutside = ico, badPng = ico;
    std::string notAnEntry = formatfiles::Ico(grey, formatfiles::Grey(8, 8)); // the chosen entry is the BMP
    hugeTga[12] = hugeTga[13] = hugeTga[14] = hugeTga[15] = '\xff';
    entryOutside[6 + 16 + 15] = '\x7f'; // the second entry's offset
    notAnEntry.replace(6 + 32, 4, "\x05\0\0\0", 4);
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
