#pragma once
// Bytes of image files in the formats the suite reads but does not write (GIF, TGA, ICO, a bare JPEG 2000
// codestream), made from an 8-bit grey plane. Shared by the reader tests and VORNE's same-pixels test.
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace formatfiles {

inline void Le16(std::string& out, int value)
{
    out += static_cast<char>(value & 0xff);
    out += static_cast<char>((value >> 8) & 0xff);
}

// A grey palette and LZW codes of fixed width: a clear code every 250 pixels keeps the table small.
inline std::string Gif(const cv::Mat& grey)
{
    std::string out = "GIF89a";
    Le16(out, grey.cols);
    Le16(out, grey.rows);
    out += std::string("\xF7\0\0", 3);
    for (int i = 0; i < 256; ++i)
        out += std::string(3, static_cast<char>(i));
    out += ',';
    for (int v : {0, 0, grey.cols, grey.rows})
        Le16(out, v);
    out += std::string("\0\x08", 2);
    std::string codes;
    uint32_t bits = 0;
    int count = 0;
    const auto put = [&](int code) {
        bits |= uint32_t(code) << count;
        for (count += 9; count >= 8; count -= 8, bits >>= 8)
            codes += static_cast<char>(bits & 0xff);
    };
    for (int i = 0; i < grey.rows * grey.cols; ++i) {
        if (i % 250 == 0)
            put(256);
        put(grey.at<uint8_t>(i / grey.cols, i % grey.cols));
    }
    put(257);
    if (count > 0)
        codes += static_cast<char>(bits & 0xff);
    for (std::size_t i = 0; i < codes.size(); i += 255) {
        const std::size_t length = std::min<std::size_t>(255, codes.size() - i);
        out += static_cast<char>(length);
        out += codes.substr(i, length);
    }
    return out + std::string("\0;", 2);
}

// Uncompressed grey, rows from the top.
inline std::string Tga(const cv::Mat& grey)
{
    std::string out("\0\0\x03\0\0\0\0\0\0\0\0\0", 12);
    Le16(out, grey.cols);
    Le16(out, grey.rows);
    out += std::string("\x08\x20", 2);
    for (int y = 0; y < grey.rows; ++y)
        out.append(grey.ptr<char>(y), static_cast<std::size_t>(grey.cols));
    return out;
}

inline std::string Encoded(const cv::Mat& mat, const char* extension)
{
    std::vector<uint8_t> bytes;
    cv::imencode(extension, mat, bytes);
    return std::string(bytes.begin(), bytes.end());
}

// Entries in order: a BMP entry (its file header dropped, the height doubled for the mask that follows)
// for small, a PNG entry for large; a reader should pick the larger.
inline std::string Ico(const cv::Mat& small, const cv::Mat& large)
{
    std::string bmp = Encoded(small, ".bmp").substr(14);
    const int32_t doubled = 2 * small.rows;
    for (int i = 0; i < 4; ++i)
        bmp[8 + i] = static_cast<char>((doubled >> (8 * i)) & 0xff);
    bmp += std::string(static_cast<std::size_t>(small.rows * ((small.cols + 31) / 32) * 4), '\0');
    const std::string png = Encoded(large, ".png");
    std::string out("\0\0\x01\0\x02\0", 6);
    uint32_t offset = 6 + 2 * 16;
    for (const auto& [mat, data] : {std::make_pair(small, bmp), std::make_pair(large, png)}) {
        out += static_cast<char>(mat.cols);
        out += static_cast<char>(mat.rows);
        out += std::string("\0\0\x01\0\x08\0", 6);
        for (uint32_t v : {static_cast<uint32_t>(data.size()), offset})
            for (int i = 0; i < 4; ++i)
                out += static_cast<char>((v >> (8 * i)) & 0xff);
        offset += static_cast<uint32_t>(data.size());
    }
    return out + bmp + png;
}

// The codestream of the "jp2c" box of a .jp2 file.
inline std::string J2k(const cv::Mat& grey)
{
    const std::string jp2 = Encoded(grey, ".jp2");
    for (std::size_t at = 0; at + 8 <= jp2.size();) {
        const uint32_t length = uint32_t(uint8_t(jp2[at])) << 24 | uint32_t(uint8_t(jp2[at + 1])) << 16 |
                                uint32_t(uint8_t(jp2[at + 2])) << 8 | uint8_t(jp2[at + 3]);
        if (jp2.compare(at + 4, 4, "jp2c") == 0)
            return jp2.substr(at + 8, length ? length - 8 : std::string::npos);
        if (length < 8)
            break;
        at += length;
    }
    return std::string();
}

// A ramp with some texture, so that a shifted or flipped decode shows.
inline cv::Mat Grey(int width, int height)
{
    cv::Mat grey(height, width, CV_8UC1);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            grey.at<uint8_t>(y, x) = static_cast<uint8_t>((x * 7 + y * 13 + (x * y) % 5) & 0xff);
    return grey;
}

} // namespace formatfiles
