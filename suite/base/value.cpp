#include "kora/value.h"

#include <charconv>
#include <cxxabi.h>
#include <cstdlib>

#include "kora/valuepointer.h"

namespace KORA {
namespace {

// A key path split into its segments; an index key is one segment. Empty segments ("a//b", a leading or
// trailing "/") are ignored so that sloppily joined paths still address the same entry.
std::vector<CValue_Key> SplitPath(const CValue_Key& key)
{
    std::vector<CValue_Key> segments;
    if (key.IsIndex()) {
        segments.emplace_back(key.Index());
        return segments;
    }
    const std::string& name = key.Name();
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find('/', start);
        if (end == std::string::npos)
            end = name.size();
        if (end > start)
            segments.emplace_back(name.substr(start, end - start));
        start = end + 1;
    }
    if (segments.empty())
        throw CException("empty key", "CValue");
    return segments;
}

std::string KindMismatch(const CValue_Key& key, const char* wanted, const CValue& found)
{
    return "entry '" + key.ToString() + "' is a " + GenericTypeName(Unwrap(&found)->GenericType()) +
           ", not a " + wanted;
}

} // namespace

CValue::CValue() = default;
CValue::~CValue() = default;

CValueMap& CValue::Meta()
{
    if (!m_meta)
        m_meta = std::make_unique<CValueMap>();
    return *m_meta;
}

bool CValue::HasMeta() const noexcept
{
    return m_meta && !m_meta->Empty();
}

void CValue::CopyMetaFrom(const CValue& source, bool merge)
{
    if (&source == this)
        return;
    if (!source.HasMeta()) {
        if (!merge)
            m_meta.reset();
        return;
    }
    Meta().Copy(*source.m_meta, COPY_SHARE_POINTER, merge);
}

bool CValue::MetaEqual(const CValue& other) const
{
    const bool mine = HasMeta(), theirs = other.HasMeta();
    if (!mine && !theirs)
        return true;
    return mine && theirs && m_meta->Equal(*other.m_meta);
}

bool CValue::Equal(const CValue& other) const
{
    return GenericType() == other.GenericType() && EqualData(other) && MetaEqual(other);
}

CValue* CValue::ChildAt(const CValue_Key&) const
{
    return nullptr;
}

void CValue::SetChild(const CValue_Key& key, CValue* value)
{
    delete value;
    throw CExBadType("a " + std::string(GenericTypeName(GenericType())) + " has no entries (key '" +
                         key.ToString() + "')",
                     "CValue::SetEntry");
}

CValue* CValue::DetachChild(const CValue_Key&)
{
    return nullptr;
}

CValue* CValue::FindEntry(const CValue_Key& key) const
{
    const CValue* node = Unwrap(this);
    CValue* found = nullptr;
    for (const CValue_Key& segment : SplitPath(key)) {
        if (!node)
            return nullptr;
        found = node->ChildAt(segment);
        node = Unwrap(found);
    }
    return found;
}

bool CValue::HasEntry(const CValue_Key& key, int kind) const
{
    const CValue* found = FindEntry(key);
    if (!found)
        return false;
    return kind == GT_ANY || found->GenericType() == kind || Unwrap(found)->GenericType() == kind;
}

CValue& CValue::Entry(const CValue_Key& key)
{
    if (CValue* found = FindEntry(key))
        return *found;
    throw CException("no entry '" + key.ToString() + "'", "CValue::Entry");
}

const CValue& CValue::Entry(const CValue_Key& key) const
{
    return const_cast<CValue*>(this)->Entry(key);
}

int32_t CValue::EntryLong(const CValue_Key& key, int32_t defaultValue) const
{
    const CValue* found = FindEntry(key);
    if (!found)
        return defaultValue;
    if (const auto* v = dynamic_cast<const CValueLong*>(Unwrap(found)))
        return v->Value();
    throw CExBadType(KindMismatch(key, "long", *found), "CValue::EntryLong");
}

double CValue::EntryDouble(const CValue_Key& key, double defaultValue) const
{
    const CValue* found = FindEntry(key);
    if (!found)
        return defaultValue;
    if (const auto* v = dynamic_cast<const CValueDouble*>(Unwrap(found)))
        return v->Value();
    if (const auto* v = dynamic_cast<const CValueLong*>(Unwrap(found)))
        return v->Value();
    throw CExBadType(KindMismatch(key, "double", *found), "CValue::EntryDouble");
}

bool CValue::EntryBool(const CValue_Key& key, bool defaultValue) const
{
    const CValue* found = FindEntry(key);
    if (!found)
        return defaultValue;
    if (const auto* v = dynamic_cast<const CValueBool*>(Unwrap(found)))
        return v->Value();
    throw CExBadType(KindMismatch(key, "bool", *found), "CValue::EntryBool");
}

std::string CValue::EntryString(const CValue_Key& key, const std::string& defaultValue) const
{
    const CValue* found = FindEntry(key);
    if (!found)
        return defaultValue;
    if (const auto* v = dynamic_cast<const CValueString*>(Unwrap(found)))
        return v->Value();
    throw CExBadType(KindMismatch(key, "string", *found), "CValue::EntryString");
}

void CValue::SetEntry(const CValue_Key& key, CValue* value)
{
    std::unique_ptr<CValue> owned(value);
    const std::vector<CValue_Key> segments = SplitPath(key);
    CValue* node = Unwrap(this);
    for (std::size_t i = 0; i + 1 < segments.size(); ++i) {
        CValue* child = node->ChildAt(segments[i]);
        if (!child) {
            node->SetChild(segments[i], new CValueMap);
            child = node->ChildAt(segments[i]);
        }
        node = Unwrap(child);
        if (!node)
            throw CException("entry '" + segments[i].ToString() + "' of '" + key.ToString() + "' is empty",
                             "CValue::SetEntry");
    }
    node->SetChild(segments.back(), owned.release());
}

CValue* CValue::Detach(const CValue_Key& key)
{
    const std::vector<CValue_Key> segments = SplitPath(key);
    CValue* node = Unwrap(this);
    for (std::size_t i = 0; i + 1 < segments.size() && node; ++i)
        node = Unwrap(node->ChildAt(segments[i]));
    return node ? node->DetachChild(segments.back()) : nullptr;
}

bool CValue::RemoveEntry(const CValue_Key& key)
{
    std::unique_ptr<CValue> removed(Detach(key));
    return removed != nullptr;
}

const CValue* Unwrap(const CValue* value) noexcept
{
    while (const auto* smart = dynamic_cast<const CValueSmart*>(value))
        value = smart->Get();
    return value;
}

CValue* Unwrap(CValue* value) noexcept
{
    return const_cast<CValue*>(Unwrap(static_cast<const CValue*>(value)));
}

std::string HumanReadableTypename(const std::type_info& type)
{
    int status = 0;
    char* demangled = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    std::string name = (status == 0 && demangled) ? demangled : type.name();
    std::free(demangled);
    return name;
}

const char* GenericTypeName(int genericType) noexcept
{
    switch (genericType) {
    case GT_BOOL: return "bool";
    case GT_DOUBLE: return "double";
    case GT_LONG: return "long";
    case GT_MAP: return "map";
    case GT_POINTER: return "pointer";
    case GT_STRING: return "string";
    case GT_VECTOR: return "vector";
    case GT_SMART: return "smart";
    default: return "unknown";
    }
}

} // namespace KORA
