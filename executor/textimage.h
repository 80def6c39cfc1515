#pragma once
// Text images (".asc", ".mark", ".txt"): one image row per line, numbers separated by blanks.
//
// A line that is empty or holds a "#" anywhere is a comment. Every other line is a row: the numbers at its
// start, read exactly as stream extraction into a float reads them (so "1e3" is 1000, "-0" is negative
// zero, "inf" and "nan" are text, "3x" is 3 followed by text, "1," is 1 followed by text), up to the first
// text that is not a number. The first row with numbers fixes the column count; every later row must match.
#include <cstddef>
#include <string>
#include <vector>

namespace VORNE {

struct TextImage
{
    std::vector<float> pixels; // in reading order
    int columns = 0;
    int rows = 0;
    bool raggedRows = false; // a row whose count differs from the columns; reading stopped there
};

// Appends the numbers at the start of [begin, end) to values; returns how many were appended.
std::size_t parseTextImageRow(const char* begin, const char* end, std::vector<float>& values);

// The whole file in one read (stream iterators cost more than the parsing). False when it cannot be read.
bool readTextImageFile(const char* path, std::string& bytes);

// Parses a whole file's bytes. A carriage return before a line feed is dropped.
TextImage parseTextImage(const char* data, std::size_t size);

} // namespace VORNE
