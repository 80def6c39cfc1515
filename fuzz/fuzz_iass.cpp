// Feeds arbitrary bytes to the .iass reader through a real file, as a user's file would arrive. Inputs
// whose last byte is odd go through the .iass.gz reader instead: zlib passes bytes that are not gzip
// through unchanged, so that reader's growing buffer gets the same exercise.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include <unistd.h>

#include "kora/imageio.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    static const std::string plain = "/tmp/fuzz_iass_" + std::to_string(getpid()) + ".iass";
    static const std::string gzip = plain + ".gz";
    const std::string& path = size > 0 && (data[size - 1] & 1) ? gzip : plain;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    try {
        std::unique_ptr<KORA::CImage> image(KORA::CImageIo2::Load(path.c_str()));
    } catch (const KORA::CException&) {
    }
    return 0;
}
