#pragma once
// What the text and XML serializers share, so that both write the same numbers, refuse the same values
// and accept the same depth.
#include <charconv>
#include <cmath>
#include <string>

#include "kora/serializer.h"
#include "kora/valuepointer.h"

namespace KORA {
namespace serial {

// Deeper documents are refused when read, so the writers refuse to produce them.
constexpr int kMaxDepth = 256;

inline std::string SourceOf(const CSerializer& serializer, const char* className)
{
    return serializer.Name().empty() ? std::string(className) : serializer.Name();
}

// Shortest text that reads back as the same double, always recognisable as a double (never "2").
inline std::string FormatDouble(double value)
{
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value < 0 ? "-inf" : "inf";
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string text(buffer, result.ptr);
    if (text.find_first_of(".e") == std::string::npos)
        text += ".0";
    return text;
}

// Untrusted text quoted in a message stays short.
inline std::string Shorten(const std::string& text, std::size_t limit = 40)
{
    return text.size() <= limit ? text : text.substr(0, limit) + "...";
}

// The value a writer writes: smart handles stand for what they hold; pointers cannot be written.
inline const CValue& ResolveForWriting(const CValue& value, const std::string& source)
{
    const CValue* inner = &value;
    // Only handles and pointers need a closer look; GenericType() spares the common case a dynamic_cast.
    if (inner->GenericType() == GT_SMART) {
        inner = Unwrap(inner);
        if (!inner)
            throw CExIo("a smart value that holds nothing cannot be written", source);
    }
    switch (inner->GenericType()) {
    case GT_BOOL:
    case GT_DOUBLE:
    case GT_LONG:
    case GT_MAP:
    case GT_STRING:
    case GT_VECTOR:
        return *inner;
    default:
        break;
    }
    if (const auto* pointer = dynamic_cast<const CValuePointerBase*>(inner))
        throw CExIo("a pointer to " + HumanReadableTypename(pointer->ElementType()) + " cannot be written",
                    source);
    throw CExIo("a " + HumanReadableTypename(inner->Type()) + " cannot be written", source);
}

// The held value's meta data, or the handle's when only the handle has some; null when there is none.
inline const CValueMap* MetaForWriting(const CValue& value, const CValue& resolved)
{
    if (const CValueMap* meta = resolved.MetaOrNull(); meta && !meta->Empty())
        return meta;
    if (const CValueMap* meta = value.MetaOrNull(); meta && !meta->Empty())
        return meta;
    return nullptr;
}

} // namespace serial
} // namespace KORA
