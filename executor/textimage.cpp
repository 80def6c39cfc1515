#include "executor/textimage.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <system_error>

namespace VORNE {

namespace {

bool isBlank(char c)
{
    // What stream extraction skips in the classic locale.
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// from_chars would read these as infinities and NaNs; stream extraction sees text.
bool startsWithLetter(const char* p, const char* end)
{
    return p < end && ((*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z'));
}

// An out-of-range float: stream extraction fails on an overflow but reads an underflow as (signed) zero or
// the nearest denormal. A long double tells the two apart for every exponent a file will plausibly hold.
bool outOfRangeValue(const char* begin, const char* end, float& value)
{
    long double wide = 0;
    const std::from_chars_result result = std::from_chars(begin, end, wide);
    if (result.ec == std::errc()) {
        if (std::fabs(wide) < 1.0L) {
            value = static_cast<float>(wide);
            return true;
        }
        return false;
    }
    // Beyond even a long double: a negative exponent means underflow.
    for (const char* p = begin; p + 1 < result.ptr; ++p)
        if ((*p == 'e' || *p == 'E') && p[1] == '-') {
            value = *begin == '-' ? -0.0f : 0.0f;
            return true;
        }
    return false;
}

// One extraction at p: true with the value and the position after it, or false where extraction fails.
bool extract(const char*& p, const char* end, float& value)
{
    const char* start = p;
    // Stream extraction takes a leading "+", from_chars does not; it takes only one sign either way.
    if (start < end && *start == '+') {
        ++start;
        if (start < end && (*start == '-' || *start == '+'))
            return false;
    }
    const char* digits = start < end && *start == '-' ? start + 1 : start;
    if (startsWithLetter(digits, end))
        return false;
    std::from_chars_result result = std::from_chars(start, end, value);
    if (result.ec == std::errc::result_out_of_range) {
        if (!outOfRangeValue(start, result.ptr, value))
            return false;
    } else if (result.ec != std::errc()) {
        return false;
    }
    // Stream extraction swallows an exponent marker without digits ("1e", "1e+") and then fails.
    if (result.ptr < end && (*result.ptr == 'e' || *result.ptr == 'E'))
        return false;
    p = result.ptr;
    return true;
}

} // namespace

bool readTextImageFile(const char* path, std::string& bytes)
{
    // A folder opens like a file but reports an endless size; only plain files are read.
    std::error_code notAFile;
    if (!std::filesystem::is_regular_file(path, notAFile))
        return false;
    std::ifstream file(path, std::ios::in | std::ios::binary);
    if (!file)
        return false;
    // The size is the file's own, not a header's claim; a file that shrinks meanwhile reads short.
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    file.seekg(0, std::ios::beg);
    if (size < 0)
        return false;
    bytes.resize(static_cast<std::size_t>(size));
    file.read(bytes.data(), size);
    bytes.resize(static_cast<std::size_t>(file.gcount()));
    return true;
}

std::size_t parseTextImageRow(const char* begin, const char* end, std::vector<float>& values)
{
    std::size_t count = 0;
    const char* p = begin;
    while (true) {
        while (p < end && isBlank(*p))
            ++p;
        float value = 0;
        if (p >= end || !extract(p, end, value))
            return count;
        values.push_back(value);
        ++count;
    }
}

TextImage parseTextImage(const char* data, std::size_t size)
{
    TextImage image;
    const char* const end = data + size;
    const char* line = data;
    while (line < end) {
        const char* lineEnd = static_cast<const char*>(std::memchr(line, '\n', static_cast<std::size_t>(end - line)));
        const char* next = lineEnd ? lineEnd + 1 : end;
        if (!lineEnd)
            lineEnd = end;
        if (lineEnd > line && lineEnd[-1] == '\r')
            --lineEnd;
        const bool comment = lineEnd == line || std::memchr(line, '#', static_cast<std::size_t>(lineEnd - line));
        if (!comment) {
            const std::size_t count = parseTextImageRow(line, lineEnd, image.pixels);
            ++image.rows;
            if (image.columns == 0) {
                image.columns = static_cast<int>(count);
            } else if (count != static_cast<std::size_t>(image.columns)) {
                image.raggedRows = true;
                return image;
            }
        }
        line = next;
    }
    return image;
}

} // namespace VORNE
