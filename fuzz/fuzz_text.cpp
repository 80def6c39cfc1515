// Any input either fails with a CException or reads back equal after writing it, in both formats.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "kora/serializer.h"

using namespace KORA;

namespace {

void RoundTrip(const CSerializer& serializer, const CValue& value)
{
    const std::string text = serializer.ToString(value);
    std::unique_ptr<CValue> back(serializer.Deserialize(text));
    if (!back->Equal(value) || serializer.ToString(*back) != text)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const CTextSerializer text;
    std::unique_ptr<CValue> value;
    try {
        value.reset(text.Deserialize(reinterpret_cast<const char*>(data), size));
    } catch (const CException&) {
        return 0;
    }
    RoundTrip(text, *value);
    RoundTrip(CTextSerializer(true, true), *value);
    RoundTrip(CXmlSerializer2(), *value);
    return 0;
}
