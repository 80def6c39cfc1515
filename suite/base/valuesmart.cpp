#include "kora/value.h"

namespace KORA {

CValueSmart::CValueSmart(CValue* value) : m_value(value) {}

CValueSmart::CValueSmart(std::shared_ptr<CValue> shared) : m_value(std::move(shared)) {}

CValueSmart::~CValueSmart() = default;

CValueSmart* CValueSmart::CloneValueSmart() const
{
    return new CValueSmart(m_value);
}

CValue* CValueSmart::Clone(int) const
{
    auto* handle = CloneValueSmart();
    handle->CopyMetaFrom(*this, false);
    return handle;
}

void CValueSmart::Copy(const CValue& source, int strategy, bool merge)
{
    if (const auto* smart = dynamic_cast<const CValueSmart*>(&source))
        m_value = smart->m_value;
    else
        m_value.reset(source.Clone(strategy));
    CopyMetaFrom(source, merge);
}

bool CValueSmart::EqualData(const CValue& other) const
{
    const auto* smart = dynamic_cast<const CValueSmart*>(&other);
    if (!smart)
        return false;
    if (!m_value || !smart->m_value)
        return m_value == smart->m_value;
    return m_value == smart->m_value || m_value->Equal(*smart->m_value);
}

// A handle is transparent for entry access: one segment at a time through the held value.
CValue* CValueSmart::ChildAt(const CValue_Key& key) const
{
    return m_value ? m_value->FindEntry(key) : nullptr;
}

void CValueSmart::SetChild(const CValue_Key& key, CValue* value)
{
    if (!m_value) {
        delete value;
        throw CException("empty handle has no entries (key '" + key.ToString() + "')", "CValueSmart::SetEntry");
    }
    m_value->SetEntry(key, value);
}

CValue* CValueSmart::DetachChild(const CValue_Key& key)
{
    return m_value ? m_value->Detach(key) : nullptr;
}

} // namespace KORA
