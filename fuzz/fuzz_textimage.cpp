// The text-image reader on arbitrary bytes, under both sets of separators.
#include "kora/textimage.h"
#include "loadfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    const auto* text = reinterpret_cast<const char*>(data);
    const KORA::StTextImage image = KORA::ParseTextImage(text, size, KORA::TextSeparators::BlanksCommasSemicolons);
    if (image.pixels.size() > size)
        __builtin_trap(); // every number takes at least one byte
    return fuzz::LoadAs(data, size, ".txt");
}
