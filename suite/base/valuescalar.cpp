// The four scalar kinds share one shape: clone = deep copy, copy = same kind only.
#include <cmath>

#include "kora/value.h"

namespace KORA {
namespace {

template <class T>
const T& SameKind(const CValue& target, const CValue& source)
{
    if (const auto* typed = dynamic_cast<const T*>(Unwrap(&source)))
        return *typed;
    throw CExBadType("cannot copy a " + std::string(GenericTypeName(Unwrap(&source)->GenericType())) +
                         " into a " + GenericTypeName(target.GenericType()),
                     "CValue::Copy");
}

template <class T>
CValue* CloneScalar(const T& value)
{
    auto* clone = new T(value.Value());
    clone->Copy(value, COPY_NO_OWNERSHIP, false);
    return clone;
}

} // namespace

#define KORA_SCALAR_OPERATIONS(Class)                                              \
    CValue* Class::Clone(int) const { return CloneScalar(*this); }                 \
    void Class::Copy(const CValue& source, int, bool merge)                        \
    {                                                                              \
        const Class& typed = SameKind<Class>(*this, source);                       \
        m_value = typed.m_value;                                                   \
        CopyMetaFrom(typed, merge);                                                \
    }

KORA_SCALAR_OPERATIONS(CValueBool)
KORA_SCALAR_OPERATIONS(CValueLong)
KORA_SCALAR_OPERATIONS(CValueDouble)
KORA_SCALAR_OPERATIONS(CValueString)

bool CValueBool::EqualData(const CValue& other) const
{
    const auto* typed = dynamic_cast<const CValueBool*>(&other);
    return typed && typed->m_value == m_value;
}

bool CValueLong::EqualData(const CValue& other) const
{
    const auto* typed = dynamic_cast<const CValueLong*>(&other);
    return typed && typed->m_value == m_value;
}

bool CValueDouble::EqualData(const CValue& other) const
{
    const auto* typed = dynamic_cast<const CValueDouble*>(&other);
    if (!typed)
        return false;
    if (std::isnan(m_value) || std::isnan(typed->m_value))
        return std::isnan(m_value) && std::isnan(typed->m_value);
    return m_value == typed->m_value && std::signbit(m_value) == std::signbit(typed->m_value);
}

bool CValueString::EqualData(const CValue& other) const
{
    const auto* typed = dynamic_cast<const CValueString*>(&other);
    return typed && typed->m_value == m_value;
}

} // namespace KORA
