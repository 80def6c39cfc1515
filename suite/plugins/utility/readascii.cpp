#include "readascii.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <vector>

#include "kora/exception.h"

namespace utility {

namespace {
// The numbers of one line; false with the offending text in bad when a token is not a number.
bool ParseRow(const std::string& line, std::vector<float>& values, std::string& bad)
{
    const char* separators = " \t\r\f\v,;";
    std::size_t start = line.find_first_not_of(separators);
    while (start != std::string::npos) {
        std::size_t end = line.find_first_of(separators, start);
        const std::string token = line.substr(start, end == std::string::npos ? std::string::npos : end - start);
        char* stop = nullptr;
        errno = 0;
        const float value = std::strtof(token.c_str(), &stop);
        if (stop != token.c_str() + token.size() || (errno == ERANGE && value != 0.0f)) {
            bad = token;
            return false;
        }
        values.push_back(value);
        start = end == std::string::npos ? end : line.find_first_not_of(separators, end);
    }
    return true;
}
} // namespace

KORA::CImage* ReadASCII::Load(const std::string& path)
{
    std::ifstream in(path);
    if (!in)
        throw KORA::CExIo("cannot open '" + path + "': " + std::strerror(errno), path);
    std::vector<float> values;
    std::size_t columns = 0, rows = 0, lineNumber = 0;
    std::string line, bad;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (line.find('#') != std::string::npos)
            continue;
        const std::size_t before = values.size();
        if (!ParseRow(line, values, bad))
            throw KORA::CExIo("'" + path + "' line " + std::to_string(lineNumber) + ": '" + bad + "' is not a number", path);
        const std::size_t count = values.size() - before;
        if (count == 0)
            continue;
        if (rows == 0)
            columns = count;
        else if (count != columns)
            throw KORA::CExIo("'" + path + "' line " + std::to_string(lineNumber) + ": " + std::to_string(count) +
                                  " numbers where the first row has " + std::to_string(columns),
                              path);
        ++rows;
    }
    if (in.bad())
        throw KORA::CExIo("cannot read '" + path + "'", path);
    if (rows == 0)
        throw KORA::CExIo("'" + path + "' holds no numbers", path);
    auto image = std::make_unique<KORA::CImage>(KORA::IMAGE_GREY_F, KORA::CSize(static_cast<int64_t>(columns), static_cast<int64_t>(rows)));
    std::memcpy(image->Data(), values.data(), values.size() * sizeof(float));
    return image.release();
}

} // namespace utility
