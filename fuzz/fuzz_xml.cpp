// XML reader: see roundtrip.h.
#include "roundtrip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fuzz::ReadAndRoundTrip<KORA::CXmlSerializer2, KORA::CTextSerializer>(data, size);
}
