#pragma once
// Shared by the serializer fuzzers: any input either fails with a CException, holds no value (null), or
// reads back equal after writing it, in the reader's own format (pretty and compact) and in the other one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "kora/serializer.h"

namespace fuzz {

inline void RoundTrip(const KORA::CSerializer& serializer, const KORA::CValue& value)
{
    const std::string text = serializer.ToString(value);
    std::unique_ptr<KORA::CValue> back(serializer.Deserialize(text));
    if (!back->Equal(value) || serializer.ToString(*back) != text)
        std::abort();
}

template <class Reader, class Other>
int ReadAndRoundTrip(const std::uint8_t* data, std::size_t size)
{
    const Reader reader;
    std::unique_ptr<KORA::CValue> value;
    try {
        value.reset(reader.Deserialize(reinterpret_cast<const char*>(data), size));
    } catch (const KORA::CException&) {
        return 0;
    }
    // A document that is only null holds no value, as the readers promise.
    if (!value)
        return 0;
    RoundTrip(reader, *value);
    RoundTrip(Reader(true, true), *value);
    RoundTrip(Other(), *value);
    return 0;
}

} // namespace fuzz
