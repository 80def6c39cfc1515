#pragma once
// Text images (".asc", ".ascii", ".mark", ".txt", and ".csv" with its separators): one image row per line.
// The one reader behind a run's own text-image parsing, CImageIo2 and the ReadASCII loader plug-in, so that
// a file gives the same pixels wherever it is read.
//
// A line that is empty or holds a "#" anywhere is a comment. Every other line is a row: the numbers at its
// start, read exactly as stream extraction into a float reads them (so "1e3" is 1000, "-0" is negative
// zero, "inf" and "nan" are text, "3x" is 3 followed by text, "1," is 1 followed by text), up to the first
// text that is not a number. The first row with numbers fixes the column count; every later row must match.
// What a row is cut at is remembered, so that the image can say what was left unread.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "kora/export.h"
#include "kora/image.h"

namespace KORA {

// Between numbers: blanks only, or (for comma-separated files) blanks, commas and semicolons.
enum class TextSeparators { Blanks, BlanksCommasSemicolons };

struct StTextCut
{
    int line = 0;      // 1-based line of the file
    std::string token; // the text the row was cut at, up to the next blank (at most 32 bytes)
};

struct StTextImage
{
    std::vector<float> pixels; // in reading order
    int columns = 0;
    int rows = 0;
    bool raggedRows = false; // a row whose count differs from the columns; reading stopped there
    int raggedLine = 0;      // its 1-based line
    std::size_t raggedCount = 0;
    std::vector<StTextCut> cuts; // rows cut before their end, in file order
};

// Appends the numbers at the start of [begin, end) to values; returns how many were appended. When the
// row stops at text, cutAt points at it; otherwise it is end.
KORA_API std::size_t ParseTextImageRow(const char* begin, const char* end, std::vector<float>& values,
                                       TextSeparators separators = TextSeparators::Blanks,
                                       const char** cutAt = nullptr);

// The whole file in one read (stream iterators cost more than the parsing). False when it cannot be read.
KORA_API bool ReadTextImageFile(const char* path, std::string& bytes);

// Parses a whole file's bytes. A carriage return before a line feed is dropped.
KORA_API StTextImage ParseTextImage(const char* data, std::size_t size,
                                    TextSeparators separators = TextSeparators::Blanks);

// The GREY_F image of a parsed file (columns x rows, pixels in reading order, the rows without numbers
// left zero), with the string attribute "image_path" = path and, when rows were cut, "warning" naming the
// file, the lines and the text each was cut at. CExIo when the rows hold far fewer numbers than the image
// would have pixels (lines without numbers before a long row).
KORA_API CImage* TextImageToImage(const StTextImage& text, const std::string& path);

// Reads, parses and builds the image of a text-image file. CExIo naming the file when it cannot be read,
// its rows differ in length (naming the line) or it holds no number.
KORA_API CImage* LoadTextImage(const std::string& path, TextSeparators separators = TextSeparators::Blanks);

} // namespace KORA
