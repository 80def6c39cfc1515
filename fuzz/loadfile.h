#pragma once
// Feeds arbitrary bytes to an image reader through a real file with the given extension, as a user's file
// would arrive: it may fail only with a CException.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include <unistd.h>

#include "kora/imageio.h"

namespace fuzz {

inline int LoadAs(const std::uint8_t* data, std::size_t size, const char* extension)
{
    const std::string path = "/tmp/fuzz_load_" + std::to_string(getpid()) + extension;
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

} // namespace fuzz
