// The text-image reader shared by a run, CImageIo2 and the ReadASCII loader: rows read exactly as stream
// extraction reads them, the file rules, and what the image says about what it left unread.
#include <sstream>

#include "testsupport.h"

using namespace KORA;

namespace {

// The reading the format is defined by.
std::vector<float> StreamExtraction(const std::string& line)
{
    std::istringstream in(line);
    std::vector<float> values;
    float value = 0;
    while (in >> value)
        values.push_back(value);
    return values;
}

bool SameBits(const std::vector<float>& a, const std::vector<float>& b)
{
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0);
}

struct RowCase
{
    const char* name;
    std::string line;
    std::size_t count;
};

class Rows : public ::testing::TestWithParam<RowCase>
{
};

TEST_P(Rows, ReadLikeStreamExtraction)
{
    const RowCase& c = GetParam();
    std::vector<float> values;
    const std::size_t read = ParseTextImageRow(c.line.data(), c.line.data() + c.line.size(), values);
    EXPECT_TRUE(SameBits(values, StreamExtraction(c.line))); // bit for bit: -0 and 0 differ
    EXPECT_EQ(read, values.size());
    EXPECT_EQ(read, c.count);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, Rows,
    ::testing::Values(RowCase{"tabs_and_trailing_blanks", "\t4\t 5.25  ", 2}, RowCase{"exponent", "1e3 2E-2 1.e1", 3},
                      RowCase{"negative_zero", "-0 0", 2}, RowCase{"inf_is_text", "1 -inf", 1},
                      RowCase{"nan_is_text", "nan", 0}, RowCase{"number_then_text", "3x 4", 1},
                      RowCase{"plus_sign", "+5 +.5", 2}, RowCase{"two_signs", "1 +-1", 1},
                      RowCase{"exponent_without_digits", "2 1e 3", 1}, RowCase{"exponent_sign_alone", "1e+ 3", 0},
                      RowCase{"second_point_starts_a_number", "1.5.25", 2}, RowCase{"minus_after_digits", "1-2", 2},
                      RowCase{"hexadecimal_prefix", "0x10", 1}, RowCase{"lone_point", ". 1", 0},
                      RowCase{"overflow_stops", "1 1e50 2", 1}, RowCase{"underflow_is_zero", "1e-50 -1e-50 1e-400 2", 4},
                      RowCase{"denormal", "1e-40", 1}, RowCase{"long_mantissa", "0.1000000000000000055511151231257827", 1}),
    [](const auto& info) { return std::string(info.param.name); });

struct FileCase
{
    const char* name;
    std::string content;
    TextSeparators separators;
    int columns, rows;
    bool ragged;
    std::vector<float> pixels;
    std::vector<int> cutLines;
};

class Files : public ::testing::TestWithParam<FileCase>
{
};

TEST_P(Files, FollowTheRules)
{
    const FileCase& c = GetParam();
    const StTextImage image = ParseTextImage(c.content.data(), c.content.size(), c.separators);
    EXPECT_EQ(image.columns, c.columns);
    EXPECT_EQ(image.rows, c.rows);
    EXPECT_EQ(image.raggedRows, c.ragged);
    EXPECT_EQ(image.pixels, c.pixels);
    std::vector<int> cutLines;
    for (const StTextCut& cut : image.cuts)
        cutLines.push_back(cut.line);
    EXPECT_EQ(cutLines, c.cutLines);
}

constexpr TextSeparators kBlanks = TextSeparators::Blanks;
INSTANTIATE_TEST_SUITE_P(
    Contents, Files,
    ::testing::Values(
        FileCase{"comment_between_rows", "1 2 3\n# comment\n4 5 6\n", kBlanks, 3, 2, false, {1, 2, 3, 4, 5, 6}, {}},
        FileCase{"hash_anywhere_skips_the_line", "1 2 # 3\n7 8\n", kBlanks, 2, 1, false, {7, 8}, {}},
        FileCase{"empty_lines_skipped", "\n1\n\n2\n", kBlanks, 1, 2, false, {1, 2}, {}},
        FileCase{"carriage_returns_dropped", "1 2\r\n\r\n3 4\r\n", kBlanks, 2, 2, false, {1, 2, 3, 4}, {}},
        FileCase{"last_line_without_feed", "1 2\n3 4", kBlanks, 2, 2, false, {1, 2, 3, 4}, {}},
        FileCase{"rows_of_3_and_4", "1 2 3\n4 5 6 7\n8 9 10\n", kBlanks, 3, 2, true, {1, 2, 3, 4, 5, 6, 7}, {}},
        FileCase{"blank_line_is_a_row_without_values", "1 2\n  \n3 4\n", kBlanks, 2, 2, true, {1, 2}, {}},
        FileCase{"text_rows_before_numbers_count", "x\n1 2\n3 4\n", kBlanks, 2, 3, false, {1, 2, 3, 4}, {1}},
        FileCase{"no_content", "# only\n\n", kBlanks, 0, 0, false, {}, {}},
        FileCase{"commas_cut_rows", "1,2,3\n4,5,6\n", kBlanks, 1, 2, false, {1, 4}, {1, 2}},
        FileCase{"byte_order_mark_cuts_the_first_row", "\xEF\xBB\xBF" "1 2\n3 4\n", kBlanks, 2, 2, false, {3, 4}, {1}},
        FileCase{"comma_separated", "1,2;3\n4 ,5, 6\n", TextSeparators::BlanksCommasSemicolons, 3, 2, false,
                 {1, 2, 3, 4, 5, 6}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

class TextImageFiles : public testsupport::TempDir
{
};

TEST_F(TextImageFiles, ImageNamesWhatWasCutAndRefusesBadFiles)
{
    const std::string path = WriteBytes("cut.txt", "\xEF\xBB\xBF" "7\n1,2,3\n4x\n");
    std::unique_ptr<CImage> image(LoadTextImage(path));
    ASSERT_EQ(image->Size(), CSize(1, 3));
    EXPECT_EQ(image->Row<float>(2)[0], 0.0f) << "rows without numbers stay zero";
    testsupport::ExpectWords(image->Attributes().EntryString("warning"),
                             {path, "line 1", "byte-order mark", "line 2", "',2,3'", "line 3", "'x'"});
    EXPECT_EQ(image->Attributes().EntryString("image_path"), path);

    testsupport::ExpectWords(testsupport::ErrorOf([&] { LoadTextImage(WriteBytes("r.txt", "1 2\n3\n")); }), {"line 2"});
    testsupport::ExpectWords(testsupport::ErrorOf([&] { LoadTextImage(WriteBytes("n.txt", "# none\n")); }), {"no numbers"});
    std::string sparse;
    for (int i = 0; i < 20; ++i)
        sparse += "x\n";
    for (int i = 0; i < (1 << 20); ++i)
        sparse += "1 ";
    testsupport::ExpectWords(testsupport::ErrorOf([&] { LoadTextImage(WriteBytes("s.txt", sparse)); }), {"rows without numbers"});
}

} // namespace
