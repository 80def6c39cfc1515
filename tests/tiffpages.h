#pragma once
// TIFF files as other programs write them, made with libtiff in the test itself: pages of any layout, with
// an ImageJ or OME description as text.
#include <opencv2/core.hpp>
#include <tiffio.h>

#include <string>
#include <vector>

namespace tiffpages {

struct StLayout
{
    uint16_t samples = 1, bits = 8, format = SAMPLEFORMAT_UINT, photometric = PHOTOMETRIC_MINISBLACK;
    int extra = -1; // the kind of the one extra sample
    const char* mode = "w";
    bool tiled = false, separate = false;
    uint16_t compression = COMPRESSION_NONE;
};

inline void SetTags(TIFF* tif, const StLayout& l, uint32_t width, uint32_t height)
{
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, l.samples);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, l.bits);
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, l.format);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, l.photometric);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, l.separate ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, l.compression);
    if (l.extra >= 0) {
        const uint16_t kind = static_cast<uint16_t>(l.extra);
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &kind);
    }
    if (l.tiled) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, 16);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, 16);
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 3);
    }
}

// Pages of m (rows x cols, one channel per sample) in layout l; the description goes on the first.
inline void WritePages(const std::string& path, const std::vector<cv::Mat>& pages, StLayout l, const std::string& description = "")
{
    TIFF* tif = TIFFOpen(path.c_str(), l.mode);
    for (const cv::Mat& m : pages) {
        SetTags(tif, l, m.cols, m.rows);
        if (&m == &pages.front() && !description.empty())
            TIFFSetField(tif, TIFFTAG_IMAGEDESCRIPTION, description.c_str());
        for (int p = 0; p < (l.separate ? m.channels() : 1); ++p) {
            cv::Mat source = m.clone(); // libtiff swaps the bytes of what it writes big-endian
            if (l.separate)
                cv::extractChannel(m, source, p);
            for (int y = 0; y < m.rows; y += l.tiled ? 16 : 1)
                for (int x = 0; x < (l.tiled ? m.cols : 1); x += 16) {
                    if (!l.tiled) {
                        TIFFWriteScanline(tif, source.ptr(y), y, static_cast<uint16_t>(p));
                        continue;
                    }
                    cv::Mat tile(16, 16, source.type(), cv::Scalar::all(0));
                    const cv::Rect inside = cv::Rect(x, y, 16, 16) & cv::Rect(0, 0, m.cols, m.rows);
                    source(inside).copyTo(tile(cv::Rect(0, 0, inside.width, inside.height)));
                    TIFFWriteTile(tif, tile.data, x, y, 0, static_cast<uint16_t>(p));
                }
        }
        TIFFWriteDirectory(tif);
    }
    TIFFClose(tif);
}

// page i of 3 x 4 8-bit pixels holds i + 1, pages in ImageJ's order (C fastest, then Z, then T), with the
// description of channels x planes x times and a pixel size of 0.5 µm and 2 µm between planes.
inline void WriteHyperstack(const std::string& path, int channels, int planes, int times)
{
    std::vector<cv::Mat> pages;
    for (int i = 0; i < channels * planes * times; ++i)
        pages.push_back(cv::Mat(3, 4, CV_8UC1, cv::Scalar(i + 1)));
    WritePages(path, pages, {},
               "ImageJ=1.53t\nimages=" + std::to_string(pages.size()) + "\nchannels=" + std::to_string(channels) +
                   "\nslices=" + std::to_string(planes) + "\nframes=" + std::to_string(times) +
                   "\nunit=micron\nspacing=2\n");
    TIFF* tif = TIFFOpen(path.c_str(), "r+");
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, 2.0f);
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, 2.0f);
    TIFFRewriteDirectory(tif);
    TIFFClose(tif);
}

} // namespace tiffpages
