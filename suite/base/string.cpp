#include "kora/string.h"

#include <algorithm>
#include <cstdlib>

namespace KORA {

CString CString::GetEnv(const char* name)
{
    const char* value = name ? std::getenv(name) : nullptr;
    return value ? CString(value) : CString();
}

bool CString::HasEnv(const char* name)
{
    return name && std::getenv(name) != nullptr;
}

CString CStringTools::UnwrapEnvVars(const std::string& text)
{
    CString result;
    result.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t open = text.find('%', pos);
        if (open == std::string::npos)
            break;
        const std::size_t close = text.find('%', open + 1);
        if (close == std::string::npos)
            break;
        const std::string name = text.substr(open + 1, close - open - 1);
        result.append(text, pos, open - pos);
        if (!name.empty() && CString::HasEnv(name.c_str())) {
            result += CString::GetEnv(name.c_str());
            pos = close + 1;
        } else {
            // Not a reference: keep the first "%" and look again from the second, which may open one.
            result += '%';
            pos = open + 1;
        }
    }
    result.append(text, pos, std::string::npos);
    return result;
}

std::size_t CStringTools::EditDistance(const std::string& a, const std::string& b)
{
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::string CStringTools::Closest(const std::string& name, const std::vector<std::string>& candidates)
{
    std::string closest;
    std::size_t best = 0;
    for (const std::string& candidate : candidates) {
        const std::size_t distance = EditDistance(name, candidate);
        if (distance < std::max(name.size(), candidate.size()) && (closest.empty() || distance < best)) {
            best = distance;
            closest = candidate;
        }
    }
    return closest;
}

} // namespace KORA
