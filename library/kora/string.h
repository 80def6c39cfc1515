#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "kora/export.h"

namespace KORA {

// The library's string: bytes, UTF-8 by convention.
class KORA_API CString : public std::string
{
public:
    using std::string::string;
    CString() = default;
    CString(const std::string& text) : std::string(text) {}
    CString(std::string&& text) : std::string(std::move(text)) {}

    // The variable's value; empty when it is not set.
    static CString GetEnv(const char* name);
    static bool HasEnv(const char* name);
};

class KORA_API CStringTools
{
public:
    // Replaces every %NAME% by the variable's value. An unknown variable, a lone "%" and "%%" stay as
    // written, so a text without references comes back unchanged.
    static CString UnwrapEnvVars(const std::string& text);
    // Insertions, deletions and substitutions of bytes that turn a into b.
    static std::size_t EditDistance(const std::string& a, const std::string& b);
    // The candidate nearest to name, for a "did you mean" hint; empty when even the nearest shares too
    // little with name (it would take rewriting the longer of the two whole).
    static std::string Closest(const std::string& name, const std::vector<std::string>& candidates);
};

} // namespace KORA
