#include "kora/valuepointer.h"

namespace KORA {

CValuePointerBase::~CValuePointerBase() = default;

void CValuePointerBase::CheckStrategy(const CValuePointerBase& source, int strategy, const char* operation)
{
    if (source.m_owned && strategy == COPY_NO_OWNERSHIP)
        throw CException(std::string("Owned pointers can only be ") + operation +
                             " with a valid ownership transfer strategy!",
                         "CValuePointer<" + HumanReadableTypename(source.ElementType()) + ">");
}

bool CValuePointerBase::Equal(const CValue& other) const
{
    const auto* typed = dynamic_cast<const CValuePointerBase*>(&other);
    return typed && typed->m_count == m_count && typed->ElementType() == ElementType() &&
           typed->m_pointer == m_pointer;
}

bool CValuePointerBase::EqualData(const CValue& other) const
{
    const auto* typed = dynamic_cast<const CValuePointerBase*>(&other);
    if (!typed || typed->ElementType() != ElementType() || typed->m_count != m_count)
        return false;
    if (!m_pointer || !typed->m_pointer)
        return m_pointer == typed->m_pointer;
    return std::memcmp(m_pointer, typed->m_pointer, m_count * ElementSize()) == 0;
}

} // namespace KORA
