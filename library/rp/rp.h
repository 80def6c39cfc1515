#pragma once
// The plug-in runner.
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "kora/kora.h"

namespace RP {

// One argument or result of RunPlugin: a string, a bool, an integer, a double or a library value
// (owned; copies of a value share it). A default-constructed value holds no library value.
class KORA_API value
{
public:
    value();
    value(const char* text);
    value(const std::string& text);
    value(bool flag);
    value(int number);
    value(long number);
    value(long long number);
    value(double number);
    // Takes ownership.
    value(KORA::CValue* owned);

    bool IsString() const noexcept;
    bool IsBool() const noexcept;
    bool IsInteger() const noexcept;
    bool IsDouble() const noexcept;
    bool IsValue() const noexcept;
    // CException when the value holds another kind.
    const std::string& String() const;
    // The library value held (null when none or another kind); this value keeps owning it.
    KORA::CValue* Value() const noexcept;
    // A new library value the caller owns: the matching kind for strings, bools, integers (a long, or a
    // double beyond 32 bits) and doubles; a clone moving ownership for a library value.
    KORA::CValue* ToCValue() const;
    // "string \"abc\"", "integer 5", "KORA::CValueLong" ...
    std::string Describe() const;

    // Takes the image out of an owned image pointer value: the caller owns the image afterwards.
    // Any other content throws CException "invalid pointer conversion " + what it holds.
    operator KORA::CImage*() const;

private:
    std::variant<std::shared_ptr<KORA::CValue>, std::string, bool, long long, double> m_content;
};

using value_list = std::vector<value>;

// a0: the plug-in path ("%KORADIR%/bin/utility::ReadASCII"); then name/value pairs up to the first name
// "NULL". Creates the node, sets each pair as a parameter, calls Init and Execute, and returns the node's
// outputs in pin order (an output the node left empty is a value holding nothing).
KORA_API value_list RunPlugin(value a0, value a1 = "NULL", value a2 = "NULL", value a3 = "NULL",
                              value a4 = "NULL", value a5 = "NULL", value a6 = "NULL", value a7 = "NULL",
                              value a8 = "NULL", value a9 = "NULL", value a10 = "NULL", value a11 = "NULL",
                              value a12 = "NULL", value a13 = "NULL", value a14 = "NULL", value a15 = "NULL",
                              value a16 = "NULL", value a17 = "NULL", value a18 = "NULL", value a19 = "NULL",
                              value a20 = "NULL", value a21 = "NULL", value a22 = "NULL", value a23 = "NULL",
                              value a24 = "NULL", value a25 = "NULL", value a26 = "NULL", value a27 = "NULL",
                              value a28 = "NULL", value a29 = "NULL");

} // namespace RP
