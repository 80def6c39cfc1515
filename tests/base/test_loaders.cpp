// The file loaders on files the tests write: the happy paths, and truncated, lying and missing files,
// which must fail with an error naming the file before anything is allocated for the claimed size.

#include "plugin_node.h"

using namespace KORA;
using namespace plugintest;
namespace fs = std::filesystem;

namespace {

struct Bytes
{
    std::vector<uint8_t> data;
    Bytes& Text(const std::string& s) { data.insert(data.end(), s.begin(), s.end()); return *this; }
    Bytes& U8(uint8_t v) { data.push_back(v); return *this; }
    Bytes& U16(uint16_t v) { return U8(v & 0xff).U8(v >> 8); }
    Bytes& U32(uint32_t v) { return U16(v & 0xffff).U16(v >> 16); }
    Bytes& U64(uint64_t v) { return U32(static_cast<uint32_t>(v)).U32(static_cast<uint32_t>(v >> 32)); }
    Bytes& Be32(uint32_t v) { return U8(v >> 24).U8((v >> 16) & 0xff).U8((v >> 8) & 0xff).U8(v & 0xff); }
    Bytes& Zeros(std::size_t n) { data.resize(data.size() + n, 0); return *this; }
    Bytes& F32(float v) { uint32_t u; std::memcpy(&u, &v, 4); return U32(u); }
};

class Loaders : public testsupport::TempDir
{
protected:
    std::string Write(const std::string& name, const Bytes& bytes, std::size_t drop = 0)
    {
        return WriteBytes(name, std::string(bytes.data.begin(), bytes.data.end() - static_cast<std::ptrdiff_t>(drop)));
    }
    std::string Gz(const std::string& name, const Bytes& bytes)
    {
        testsupport::WriteGzip(Path(name), std::string(bytes.data.begin(), bytes.data.end()));
        return Path(name);
    }
    static CImage Load(const std::string& entry, const std::string& path)
    {
        auto node = MakeNode(entry, {{"filename", path}, {"verbose", false}});
        node->Execute();
        return OutputImage(*node, 0);
    }
    // The message of a failing load; the test fails when it does not name the file.
    static std::string LoadError(const std::string& entry, const std::string& path)
    {
        const std::string message = ErrorOf([&] { Load(entry, path); });
        testsupport::ExpectWords(message, {path}, entry);
        return message;
    }
};

Bytes Cine(uint32_t width, uint32_t height, uint32_t frames, uint32_t bits, int firstValue = 0)
{
    Bytes b;
    b.Text("CINE").U32(48).U32(width).U32(height).U32(frames).U32(bits).U32(0).U32(0).U64(48).Zeros(8);
    for (uint32_t i = 0; i < width * height * frames; ++i)
        bits == 8 ? b.U8(static_cast<uint8_t>(firstValue + i)) : b.U16(static_cast<uint16_t>(firstValue + 1000 * i));
    return b;
}

Bytes Rek(uint32_t width, uint32_t height, uint32_t slices, uint32_t bits)
{
    Bytes b;
    b.Text("REK1").U32(32).U32(width).U32(height).U32(slices).U32(bits).U64(32);
    for (uint32_t i = 0; i < width * height * slices; ++i)
        bits == 8 ? b.U8(static_cast<uint8_t>(i)) : bits == 16 ? b.U16(static_cast<uint16_t>(i * 300)) : b.F32(i * 0.5f);
    return b;
}

Bytes MrcHeader(int32_t nx, int32_t ny, int32_t nz, int32_t mode, int32_t extended = 0)
{
    Bytes b;
    b.U32(nx).U32(ny).U32(nz).U32(mode).Zeros(4 * 19).U32(extended).Zeros(4 * 28).Text("MAP ").U8(0x44).U8(0x44).U16(0);
    b.Zeros(1024 - b.data.size() + extended);
    return b;
}

} // namespace

TEST_F(Loaders, RecordingsFromBothPlugins)
{
    const std::string eight = Write("eight.cine", Cine(4, 3, 2, 8, 10));
    for (const char* entry : {"utility::ReadCine", "ferrow::ReadCine"}) {
        const CImage image = Load(entry, eight);
        EXPECT_EQ(image.Type(), IMAGE_GREY_8) << entry;
        EXPECT_EQ(image.Size(), CSize(4, 3, 2)) << entry;
        EXPECT_EQ(image.Row<uint8_t>(2, 1)[3], 10 + 23) << entry;
        EXPECT_EQ(image.Attributes().EntryString("image_path"), eight);
    }
    const CImage wide = Load("ferrow::ReadCine", Write("wide.cine", Cine(2, 2, 3, 16)));
    EXPECT_EQ(wide.Type(), IMAGE_GREY_16);
    EXPECT_EQ(wide.Row<uint16_t>(1, 2)[1], 11000);
}

TEST_F(Loaders, BrokenRecordingsFailNamingTheFile)
{
    LoadError("utility::ReadCine", Write("short.cine", Cine(4, 3, 2, 8), 1));
    // 60000 x 60000 x 60000 frames claimed by a file of a few bytes: refused before any allocation.
    Bytes lying;
    lying.Text("CINE").U32(40).U32(60000).U32(60000).U32(60000).U32(16).U32(0).U32(0).U64(40).Zeros(16);
    EXPECT_NE(LoadError("ferrow::ReadCine", Write("lying.cine", lying)).find("too short"), std::string::npos);
    LoadError("ferrow::ReadCine", Path("missing.cine"));
    Bytes compressed = Cine(2, 2, 1, 8);
    compressed.data[24] = 1;
    LoadError("ferrow::ReadCine", Write("compressed.cine", compressed));
    LoadError("utility::ReadCine", Write("header.cine", Bytes().Text("CINE").U32(40)));
}

TEST_F(Loaders, RekPlainAndCompressed)
{
    for (uint32_t bits : {8u, 16u, 32u}) {
        const Bytes rek = Rek(3, 2, 4, bits);
        for (const std::string& path : {Write("v.rek", rek), Gz("v.rek.gz", rek)}) {
            const CImage image = Load("RUXOkit_IO::LoadREK", path);
            ASSERT_EQ(image.Size(), CSize(3, 2, 4)) << path;
            const double last = bits == 8 ? image.Row<uint8_t>(1, 3)[2] : bits == 16 ? image.Row<uint16_t>(1, 3)[2] : image.Row<float>(1, 3)[2];
            EXPECT_EQ(last, bits == 8 ? 23 : bits == 16 ? 23 * 300 : 11.5) << path;
        }
    }
}

TEST_F(Loaders, BrokenRekFilesFailNamingTheFile)
{
    LoadError("RUXOkit_IO::LoadREK", Write("short.rek", Rek(3, 2, 4, 16), 2));
    Bytes lying;
    lying.Text("REK1").U32(32).U32(100000).U32(100000).U32(100000).U32(32).U64(32).Zeros(64);
    LoadError("RUXOkit_IO::LoadREK", Write("lying.rek", lying));
    LoadError("RUXOkit_IO::LoadREK", Gz("lying.rek.gz", lying));
    // Inflating stops where the header's promise ends.
    Bytes longer = Rek(3, 2, 4, 8);
    longer.Zeros(1 << 20);
    EXPECT_NE(LoadError("RUXOkit_IO::LoadREK", Gz("long.rek.gz", longer)).find("promises"), std::string::npos);
    // A compressed file cut in the middle of its stream.
    const std::string whole = Gz("cut.rek.gz", Rek(30, 20, 4, 16));
    fs::resize_file(whole, fs::file_size(whole) / 2);
    LoadError("RUXOkit_IO::LoadREK", whole);
    LoadError("RUXOkit_IO::LoadREK", Path("missing.rek"));
    LoadError("RUXOkit_IO::LoadREK", Write("odd.rek", Rek(3, 2, 1, 12)));
}

TEST_F(Loaders, MrcModes)
{
    // Mode 0 is signed bytes, 1 signed shorts, 2 floats (all read as floats), 6 unsigned shorts.
    Bytes signedBytes = MrcHeader(2, 1, 1, 0), shorts = MrcHeader(2, 1, 1, 1, 16), words = MrcHeader(2, 1, 1, 6);
    Bytes floats = MrcHeader(2, 1, 1, 2);
    signedBytes.U8(0xff).U8(0x80);
    shorts.U16(5).U16(static_cast<uint16_t>(-300)); // behind an extended header, which is skipped
    floats.F32(1.5f).F32(-2.25f);
    words.U16(1).U16(65535);
    const std::tuple<const char*, Bytes, ImageType, double> modes[] = {
        {"m0.mrc", signedBytes, IMAGE_GREY_F, -128}, {"m1.mrc", shorts, IMAGE_GREY_F, -300},
        {"m2.mrc", floats, IMAGE_GREY_F, -2.25},     {"m6.mrc", words, IMAGE_GREY_16, 65535}};
    for (const auto& [name, bytes, type, second] : modes) {
        const CImage image = Load("RUXOkit_IO::LoadMRC", Write(name, bytes));
        ASSERT_EQ(image.Type(), type) << name;
        EXPECT_EQ(type == IMAGE_GREY_F ? image.Row<float>(0)[1] : image.Row<uint16_t>(0)[1], second) << name;
    }

    // Big-endian (machine stamp 0x11 0x11): every header word and pixel swapped.
    Bytes big;
    big.Be32(1).Be32(1).Be32(1).Be32(2).Zeros(4 * 48).Text("MAP ").U8(0x11).U8(0x11).U16(0);
    big.Zeros(1024 - big.data.size());
    uint32_t bits;
    const float value = 3.75f;
    std::memcpy(&bits, &value, 4);
    big.Be32(bits);
    EXPECT_EQ(Load("RUXOkit_IO::LoadMRC", Write("big.mrc", big)).Row<float>(0)[0], 3.75f);
}

TEST_F(Loaders, BrokenMrcFilesFailNamingTheFile)
{
    LoadError("RUXOkit_IO::LoadMRC", Write("short.mrc", MrcHeader(4, 4, 4, 2).Zeros(4 * 64), 1));
    LoadError("RUXOkit_IO::LoadMRC", Write("lying.mrc", MrcHeader(50000, 50000, 50000, 2).Zeros(64)));
    LoadError("RUXOkit_IO::LoadMRC", Write("extended.mrc", MrcHeader(1, 1, 1, 0, 16)));
    Bytes hugeExtended = MrcHeader(1, 1, 1, 0);
    hugeExtended.data[92] = hugeExtended.data[93] = hugeExtended.data[94] = 0xff;
    hugeExtended.data[95] = 0x7f;
    LoadError("RUXOkit_IO::LoadMRC", Write("hugeext.mrc", hugeExtended.Zeros(1)));
    LoadError("RUXOkit_IO::LoadMRC", Write("mode4.mrc", MrcHeader(1, 1, 1, 4).Zeros(8)));
    LoadError("RUXOkit_IO::LoadMRC", Write("negative.mrc", MrcHeader(-1, 1, 1, 0).Zeros(8)));
    LoadError("RUXOkit_IO::LoadMRC", Write("tiny.mrc", Bytes().Zeros(100)));
}

TEST_F(Loaders, AvsEmbeddedAndExternalData)
{
    Bytes embedded;
    embedded.Text("# AVS field file\nndim=2 # two axes\ndim1=3\ndim2=2\nnspace=2\nveclen=1\ndata=byte\nfield=uniform\n\f\f");
    for (uint8_t v = 1; v <= 6; ++v)
        embedded.U8(v);
    CImage image = Load("RUXOkit_IO::LoadAVS", Write("e.fld", embedded));
    EXPECT_EQ(image.Type(), IMAGE_GREY_8);
    EXPECT_EQ(image.Size(), CSize(3, 2));
    EXPECT_EQ(image.Row<uint8_t>(1)[2], 6);

    Write("volume.raw", Bytes().Zeros(4).U16(static_cast<uint16_t>(-7)).U16(8).U16(9).U16(10));
    const std::string external = WriteBytes("x.fld", "# AVS\nndim=3\ndim1=2 dim2=1 dim3=2\ndata=short\n"
                                                    "variable 1 file=volume.raw filetype=binary skip=4\n");
    image = Load("RUXOkit_IO::LoadAVS", external);
    EXPECT_EQ(image.Type(), IMAGE_GREY_F);
    EXPECT_EQ(image.Size(), CSize(2, 1, 2));
    EXPECT_EQ(image.Row<float>(0, 0)[0], -7.0f);
    EXPECT_EQ(image.Row<float>(0, 1)[1], 10.0f);

    Bytes xdr;
    xdr.Text("# AVS\nndim=1\ndim1=1\ndata=xdr_float\n\f\f").Be32(0x40200000);
    EXPECT_EQ(Load("RUXOkit_IO::LoadAVS", Write("xdr.fld", xdr)).Row<float>(0)[0], 2.5f);
}

TEST_F(Loaders, BrokenAvsFilesFailNamingTheFile)
{
    LoadError("RUXOkit_IO::LoadAVS", Write("short.fld", Bytes().Text("# AVS\nndim=2\ndim1=3\ndim2=2\ndata=byte\n\f\f").Zeros(5)));
    LoadError("RUXOkit_IO::LoadAVS", Write("lying.fld", Bytes().Text("# AVS\nndim=3\ndim1=90000\ndim2=90000\ndim3=90000\ndata=float\n\f\f").Zeros(8)));
    LoadError("RUXOkit_IO::LoadAVS", WriteBytes("nodata.fld", "# AVS\nndim=1\ndim1=4\ndata=byte\n"));
    LoadError("RUXOkit_IO::LoadAVS", WriteBytes("outside.fld", "# AVS\nndim=1\ndim1=4\ndata=byte\nvariable 1 file=../etc/passwd filetype=binary\n"));
    // A link beside the header that leads out of its folder.
    fs::create_symlink(fs::absolute("/etc/hostname"), Path("link.raw"));
    LoadError("RUXOkit_IO::LoadAVS", WriteBytes("link.fld", "# AVS\nndim=1\ndim1=4\ndata=byte\nvariable 1 file=link.raw filetype=binary\n"));
    LoadError("RUXOkit_IO::LoadAVS", WriteBytes("absolute.fld", "# AVS\nndim=1\ndim1=4\ndata=byte\nvariable 1 file=/etc/passwd filetype=binary\n"));
    LoadError("RUXOkit_IO::LoadAVS", WriteBytes("vector.fld", "# AVS\nndim=1\ndim1=4\nveclen=3\ndata=byte\n\f\f1234"));
    LoadError("RUXOkit_IO::LoadAVS", WriteBytes("notavs.fld", "ndim=1\n"));
    LoadError("RUXOkit_IO::LoadAVS", WriteBytes("badnumber.fld", "# AVS\nndim=two\n"));
}

TEST_F(Loaders, TextImages)
{
    const std::string path = WriteBytes("t.csv", "# exported\n1, 2, 3\n\n4;5;6\n7\t8  -9.5\n");
    const CImage image = Load("utility::ReadASCII", path);
    EXPECT_EQ(image.Type(), IMAGE_GREY_F);
    ASSERT_EQ(image.Size(), CSize(3, 3));
    EXPECT_EQ(image.Row<float>(1)[1], 5.0f);
    EXPECT_EQ(image.Row<float>(2)[2], -9.5f);

    LoadError("utility::ReadASCII", Path("missing.txt"));
    EXPECT_FALSE(ErrorOf([] { MakeNode("utility::ReadASCII")->Execute(); }).empty()) << "no file name given";
}
