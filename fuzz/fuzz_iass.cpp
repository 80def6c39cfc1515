// Feeds arbitrary bytes to the .iass reader through a real file, as a user's file would arrive. Inputs
// whose last byte is odd go through the .iass.gz reader instead: zlib passes bytes that are not gzip
// through unchanged, so that reader's growing buffer gets the same exercise.
#include "loadfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    return fuzz::LoadAs(data, size, size > 0 && (data[size - 1] & 1) ? ".iass.gz" : ".iass");
}
