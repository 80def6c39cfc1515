#include "kora/string.h"

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

} // namespace KORA
