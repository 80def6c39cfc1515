#include <algorithm>

#include "kora/value.h"

namespace KORA {

CValueMap::CValueMap() = default;
CValueMap::~CValueMap() = default;

const std::string& CValueMap::KeyAt(std::size_t position) const
{
    if (position >= m_entries.size())
        throw CException("no entry at position " + std::to_string(position), "CValueMap::KeyAt");
    return m_entries[position].first;
}

CValue* CValueMap::ValueAt(std::size_t position) const
{
    return position < m_entries.size() ? m_entries[position].second.get() : nullptr;
}

std::vector<std::string> CValueMap::Keys() const
{
    std::vector<std::string> keys;
    keys.reserve(m_entries.size());
    for (const auto& entry : m_entries)
        keys.push_back(entry.first);
    return keys;
}

void CValueMap::Clear()
{
    m_entries.clear();
    m_positions.clear();
}

void CValueMap::SetNamedEntry(const std::string& name, CValue* value)
{
    SetChild(CValue_Key(name), value);
}

std::size_t CValueMap::Find(const std::string& name) const
{
    const auto it = m_positions.find(name);
    return it == m_positions.end() ? m_entries.size() : it->second;
}

void CValueMap::Reindex()
{
    m_positions.clear();
    m_positions.reserve(m_entries.size());
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        m_positions.emplace(m_entries[i].first, i);
}

CValue* CValueMap::Clone(int strategy) const
{
    auto clone = std::make_unique<CValueMap>();
    clone->Copy(*this, strategy, false);
    return clone.release();
}

void CValueMap::Copy(const CValue& source, int strategy, bool merge)
{
    const auto* typed = dynamic_cast<const CValueMap*>(Unwrap(&source));
    if (!typed)
        throw CExBadType("cannot copy a " + std::string(GenericTypeName(Unwrap(&source)->GenericType())) +
                             " into a map",
                         "CValueMap::Copy");
    if (typed == this)
        return;
    if (!merge) {
        // Built aside first, so that a refused pointer clone leaves this map as it was.
        std::vector<std::pair<std::string, std::unique_ptr<CValue>>> entries;
        entries.reserve(typed->m_entries.size());
        for (const auto& entry : typed->m_entries)
            entries.emplace_back(entry.first, entry.second->Clone(strategy));
        m_entries = std::move(entries);
        Reindex();
    } else {
        for (const auto& entry : typed->m_entries) {
            CValue* mine = Unwrap(ChildAt(entry.first));
            const CValue* theirs = Unwrap(entry.second.get());
            if (mine && theirs && mine->GenericType() == GT_MAP && theirs->GenericType() == GT_MAP)
                mine->Copy(*theirs, strategy, true);
            else
                SetChild(entry.first, entry.second->Clone(strategy));
        }
    }
    CopyMetaFrom(*typed, merge);
}

bool CValueMap::EqualData(const CValue& other) const
{
    const auto* typed = dynamic_cast<const CValueMap*>(&other);
    if (!typed || typed->m_entries.size() != m_entries.size())
        return false;
    for (const auto& entry : m_entries) {
        const CValue* theirs = typed->ChildAt(entry.first);
        if (!theirs || !entry.second->Equal(*theirs))
            return false;
    }
    return true;
}

CValue* CValueMap::ChildAt(const CValue_Key& key) const
{
    const std::size_t at = Find(key.ToString());
    return at == m_entries.size() ? nullptr : m_entries[at].second.get();
}

void CValueMap::SetChild(const CValue_Key& key, CValue* value)
{
    std::unique_ptr<CValue> owned(value);
    const std::string name = key.ToString();
    if (!owned)
        throw CException("cannot store no value under '" + name + "'", "CValueMap::SetEntry");
    const std::size_t at = Find(name);
    if (at != m_entries.size()) {
        m_entries[at].second = std::move(owned);
        return;
    }
    m_entries.emplace_back(name, std::move(owned));
    m_positions.emplace(name, m_entries.size() - 1);
}

CValue* CValueMap::DetachChild(const CValue_Key& key)
{
    const std::size_t at = Find(key.ToString());
    if (at == m_entries.size())
        return nullptr;
    CValue* value = m_entries[at].second.release();
    m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(at));
    Reindex();
    return value;
}

} // namespace KORA
