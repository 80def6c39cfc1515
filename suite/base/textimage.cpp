#include "kora/textimage.h"

#include <algorithm>
#include <charconv>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <system_error>

#include "kora/exception.h"

namespace KORA {

namespace {

// Rows without numbers before the first row with numbers still become image rows whose pixels nobody
// wrote. A few such lines in front of a long row would otherwise make an image far larger than the file.
constexpr int64_t kMaxUnwrittenPixels = int64_t(1) << 24;
constexpr std::size_t kMaxTokenBytes = 32;
constexpr std::size_t kMaxCutsNamed = 5;
const char kByteOrderMark[] = "\xEF\xBB\xBF";

bool isBlank(char c)
{
    // What stream extraction skips in the classic locale.
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isSeparator(char c, TextSeparators separators)
{
    return isBlank(c) || (separators == TextSeparators::BlanksCommasSemicolons && (c == ',' || c == ';'));
}

std::string tokenAt(const char* p, const char* end)
{
    const char* stop = p;
    while (stop < end && !isBlank(*stop) && static_cast<std::size_t>(stop - p) < kMaxTokenBytes)
        ++stop;
    return std::string(p, stop);
}

std::string describeCut(const StTextCut& cut)
{
    const bool mark = cut.token.compare(0, 3, kByteOrderMark) == 0;
    return "line " + std::to_string(cut.line) + (mark ? " at a byte-order mark" : " at '" + cut.token + "'");
}

std::string cutWarning(const std::vector<StTextCut>& cuts, const std::string& path)
{
    std::string text = "rows cut short in '" + path + "': ";
    for (std::size_t i = 0; i < cuts.size() && i < kMaxCutsNamed; ++i)
        text += (i ? ", " : "") + describeCut(cuts[i]);
    if (cuts.size() > kMaxCutsNamed)
        text += ", and " + std::to_string(cuts.size() - kMaxCutsNamed) + " more lines";
    return text;
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

bool ReadTextImageFile(const char* path, std::string& bytes)
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

std::size_t ParseTextImageRow(const char* begin, const char* end, std::vector<float>& values,
                              TextSeparators separators, const char** cutAt)
{
    std::size_t count = 0;
    const char* p = begin;
    while (true) {
        while (p < end && isSeparator(*p, separators))
            ++p;
        float value = 0;
        if (p >= end || !extract(p, end, value)) {
            if (cutAt)
                *cutAt = p;
            return count;
        }
        values.push_back(value);
        ++count;
    }
}

StTextImage ParseTextImage(const char* data, std::size_t size, TextSeparators separators)
{
    StTextImage image;
    const char* const end = data + size;
    const char* line = data;
    int lineNumber = 0;
    while (line < end) {
        ++lineNumber;
        const char* lineEnd = static_cast<const char*>(std::memchr(line, '\n', static_cast<std::size_t>(end - line)));
        const char* next = lineEnd ? lineEnd + 1 : end;
        if (!lineEnd)
            lineEnd = end;
        if (lineEnd > line && lineEnd[-1] == '\r')
            --lineEnd;
        const bool comment = lineEnd == line || std::memchr(line, '#', static_cast<std::size_t>(lineEnd - line));
        if (!comment) {
            const char* cutAt = lineEnd;
            const std::size_t count = ParseTextImageRow(line, lineEnd, image.pixels, separators, &cutAt);
            ++image.rows;
            if (image.columns == 0) {
                image.columns = static_cast<int>(count);
            } else if (count != static_cast<std::size_t>(image.columns)) {
                image.raggedRows = true;
                image.raggedLine = lineNumber;
                image.raggedCount = count;
                return image;
            }
            if (cutAt < lineEnd)
                image.cuts.push_back({lineNumber, tokenAt(cutAt, lineEnd)});
        }
        line = next;
    }
    return image;
}

CImage* TextImageToImage(const StTextImage& text, const std::string& path)
{
    const int64_t pixelCount = int64_t(text.columns) * text.rows;
    if (pixelCount - int64_t(text.pixels.size()) > kMaxUnwrittenPixels)
        throw CExIo("too many rows without numbers before a long row", path);
    auto image = std::make_unique<CImage>(IMAGE_GREY_F, CSize(text.columns, text.rows));
    image->SetOrigin(CSize(0, 0, 0));
    const std::size_t copied = std::min(text.pixels.size(), static_cast<std::size_t>(pixelCount));
    if (copied > 0)
        std::memcpy(image->Data(), text.pixels.data(), copied * sizeof(float));
    image->Attributes().SetEntry("image_path", new CValueString(path));
    if (!text.cuts.empty())
        image->Attributes().SetEntry("warning", new CValueString(cutWarning(text.cuts, path)));
    return image.release();
}

CImage* LoadTextImage(const std::string& path, TextSeparators separators)
{
    std::string bytes;
    if (!ReadTextImageFile(path.c_str(), bytes))
        throw CExIo(std::string("cannot open: ") + std::strerror(errno), path);
    const StTextImage text = ParseTextImage(bytes.data(), bytes.size(), separators);
    if (text.raggedRows)
        throw CExIo("line " + std::to_string(text.raggedLine) + " holds " + std::to_string(text.raggedCount) +
                        " numbers where the first row has " + std::to_string(text.columns),
                    path);
    if (text.columns < 1 || text.rows < 1)
        throw CExIo("the file holds no numbers", path);
    return TextImageToImage(text, path);
}

} // namespace KORA
