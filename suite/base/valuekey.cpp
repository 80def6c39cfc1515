#include "kora/value.h"

namespace KORA {

CValue_Key::CValue_Key(int index) : m_index(index < 0 ? -1 : index)
{
    // A negative index can never address an entry; keep it recognisable in messages.
    if (index < 0)
        m_name = std::to_string(index);
}

CValue_Key::CValue_Key(const char* name) : m_name(name ? name : "") {}

CValue_Key::CValue_Key(const std::string& name) : m_name(name) {}

std::string CValue_Key::ToString() const
{
    return IsIndex() ? std::to_string(m_index) : m_name;
}

} // namespace KORA
