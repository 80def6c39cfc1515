// The .tga reader on arbitrary bytes.
#include "loadfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    return fuzz::LoadAs(data, size, ".tga");
}
