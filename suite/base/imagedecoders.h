#pragma once
// The decoders of formats that CImageIo2 reads through a decoder of their own (codec FMT_DECODER in the
// format registry), found by the format's name. A decoder registers itself in its own file, so that a new
// read-only image format is its registry row plus the file of its decoder; a test checks that every such
// row finds its decoder and that every decoder has a row.
#include <map>
#include <string>

#include <opencv2/core.hpp>

namespace KORA {

// bytes: the whole file. One page in OpenCV's channel order (grey, grey + alpha, B G R, or B G R A); CExIo
// naming path when the file is not of the format, is corrupt or claims an image above the size limit.
using ImageDecoder = cv::Mat (*)(const std::string& bytes, const std::string& path);

class ImageDecoders
{
public:
    // At static initialisation; returns true so that a namespace-scope constant can hold the call.
    static bool Add(const char* formatName, ImageDecoder decoder);
    // Null when no decoder has that name.
    static ImageDecoder Find(const std::string& formatName);
    static const std::map<std::string, ImageDecoder>& All();
};

} // namespace KORA

#define KORA_IMAGE_DECODER_JOIN2(a, b) a##b
#define KORA_IMAGE_DECODER_JOIN(a, b) KORA_IMAGE_DECODER_JOIN2(a, b)
// At namespace scope in the decoder's file: KORA_IMAGE_DECODER("GIF", DecodeGif);
#define KORA_IMAGE_DECODER(formatName, decoder)                                                              \
    [[maybe_unused]] static const bool KORA_IMAGE_DECODER_JOIN(kImageDecoderAdded, __LINE__) =               \
        ::KORA::ImageDecoders::Add(formatName, decoder)
