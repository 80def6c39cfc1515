#include <charconv>

#include "kora/value.h"

namespace KORA {
namespace {

// A vector entry is addressed by an index, or in a key path by a decimal segment.
bool IndexOf(const CValue_Key& key, std::size_t& index)
{
    if (key.IsIndex()) {
        index = static_cast<std::size_t>(key.Index());
        return true;
    }
    const std::string& name = key.Name();
    const char* end = name.data() + name.size();
    auto [ptr, ec] = std::from_chars(name.data(), end, index);
    return ec == std::errc() && ptr == end && !name.empty();
}

// Beyond this an index is a typo or an attack, not a vector a user builds.
constexpr std::size_t kMaxIndex = std::size_t(1) << 28;

} // namespace

CValueVector::CValueVector() = default;

CValueVector::CValueVector(std::size_t size) : m_entries(size) {}

CValueVector::~CValueVector() = default;

CValue* CValueVector::At(std::size_t index) const noexcept
{
    return index < m_entries.size() ? m_entries[index].get() : nullptr;
}

void CValueVector::Append(CValue* value)
{
    m_entries.emplace_back(value);
}

void CValueVector::Clear()
{
    m_entries.clear();
}

CValue* CValueVector::Clone(int strategy) const
{
    auto clone = std::make_unique<CValueVector>();
    clone->Copy(*this, strategy, false);
    return clone.release();
}

void CValueVector::Copy(const CValue& source, int strategy, bool merge)
{
    const auto* typed = dynamic_cast<const CValueVector*>(Unwrap(&source));
    if (!typed)
        throw CExBadType("cannot copy a " + std::string(GenericTypeName(Unwrap(&source)->GenericType())) +
                             " into a vector",
                         "CValueVector::Copy");
    if (typed == this)
        return;
    // Build the copy first: a pointer entry that refuses to be cloned leaves this vector unchanged.
    std::vector<std::unique_ptr<CValue>> entries(typed->m_entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (typed->m_entries[i])
            entries[i].reset(typed->m_entries[i]->Clone(strategy));
    m_entries = std::move(entries);
    CopyMetaFrom(*typed, merge);
}

bool CValueVector::EqualData(const CValue& other) const
{
    const auto* typed = dynamic_cast<const CValueVector*>(&other);
    if (!typed || typed->m_entries.size() != m_entries.size())
        return false;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const CValue* a = m_entries[i].get();
        const CValue* b = typed->m_entries[i].get();
        if ((a == nullptr) != (b == nullptr) || (a && !a->Equal(*b)))
            return false;
    }
    return true;
}

CValue* CValueVector::ChildAt(const CValue_Key& key) const
{
    std::size_t index = 0;
    return IndexOf(key, index) ? At(index) : nullptr;
}

void CValueVector::SetChild(const CValue_Key& key, CValue* value)
{
    std::unique_ptr<CValue> owned(value);
    std::size_t index = 0;
    if (!IndexOf(key, index))
        throw CExBadType("'" + key.ToString() + "' is not an index of a vector", "CValueVector::SetEntry");
    if (index >= kMaxIndex)
        throw CException("index " + key.ToString() + " is too large", "CValueVector::SetEntry");
    if (index >= m_entries.size())
        m_entries.resize(index + 1);
    m_entries[index] = std::move(owned);
}

CValue* CValueVector::DetachChild(const CValue_Key& key)
{
    std::size_t index = 0;
    if (!IndexOf(key, index) || index >= m_entries.size())
        return nullptr;
    return m_entries[index].release();
}

} // namespace KORA
