#pragma once
// Values: the one data model shared by graphs, nodes, serializers and VORNE.
//
// Ownership: values are heap objects with virtual destructors. SetEntry takes ownership of what it is
// given (and deletes what it replaces), Detach hands ownership back, Clone returns a new value the caller owns.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <typeinfo>
#include <unordered_map>
#include <utility>
#include <vector>

#include "kora/exception.h"

namespace KORA {

// GenericType() codes. GT_ANY is accepted by HasEntry only.
enum GenericTypeId : int {
    GT_ANY = -1,
    GT_BOOL = 0,
    GT_DOUBLE = 1,
    GT_LONG = 2,
    GT_MAP = 3,
    GT_POINTER = 4,
    GT_STRING = 5,
    GT_VECTOR = 6,
    GT_SMART = 7,
};

// Clone/Copy strategies. For everything but pointer values all three make a deep copy.
enum CopyStrategy : int {
    COPY_NO_OWNERSHIP = 0,  // an owned pointer refuses to be copied
    COPY_SHARE_POINTER = 1, // an owned pointer is copied; the copy does not own it
    COPY_MOVE_OWNERSHIP = 2 // ownership moves from the source to the copy
};

// An index (vectors) or a name (maps). A name containing "/" is a key path through nested containers;
// a path segment that is a decimal number addresses a vector entry when the container is a vector.
class KORA_API CValue_Key
{
public:
    CValue_Key(int index);
    CValue_Key(const char* name);
    CValue_Key(const std::string& name);

    bool IsIndex() const noexcept { return m_index >= 0; }
    int Index() const noexcept { return m_index; }
    const std::string& Name() const noexcept { return m_name; }
    // The key as a user reads it in a message: the name, or the index in decimal.
    std::string ToString() const;

private:
    int m_index = -1;
    std::string m_name;
};

class CValueMap;

class KORA_API CValue
{
public:
    CValue();
    CValue(const CValue&) = delete;
    CValue& operator=(const CValue&) = delete;
    virtual ~CValue();

    virtual int GenericType() const = 0;
    // The dynamic type of the value (typeid of the concrete class), for HumanReadableTypename.
    virtual const std::type_info& Type() const = 0;

    // A new value the caller owns.
    virtual CValue* Clone(int strategy = COPY_NO_OWNERSHIP) const = 0;
    // Makes this value a copy of source, which must be of the same kind (CExBadType otherwise). For maps,
    // merge = true adds or replaces the source's entries recursively and keeps the others; other kinds
    // ignore the flag. Meta data is copied (merged for maps with merge = true).
    virtual void Copy(const CValue& source, int strategy = COPY_NO_OWNERSHIP, bool merge = false) = 0;

    // Same kind, same data, and the same meta data (a missing meta map equals an empty one).
    virtual bool Equal(const CValue& other) const;
    // Same kind and data; meta data is not compared.
    virtual bool EqualData(const CValue& other) const = 0;

    // Meta data ("unused", "gui/openDir", "val/enValues" ...), created on first use.
    CValueMap& Meta();
    const CValueMap* MetaOrNull() const noexcept { return m_meta.get(); }
    bool HasMeta() const noexcept;

    // Entry access, for maps and vectors (and through smart handles); scalars have no entries.
    // kind is a GenericTypeId; GT_ANY matches every kind. A smart entry matches the kind it holds.
    bool HasEntry(const CValue_Key& key, int kind = GT_ANY) const;
    // Throws CException naming the key when absent.
    CValue& Entry(const CValue_Key& key);
    const CValue& Entry(const CValue_Key& key) const;
    // Null when absent.
    CValue* FindEntry(const CValue_Key& key) const;
    // The default when absent; CExBadType naming the key when present with another kind.
    // EntryDouble also accepts a long.
    int32_t EntryLong(const CValue_Key& key, int32_t defaultValue = 0) const;
    double EntryDouble(const CValue_Key& key, double defaultValue = 0.0) const;
    bool EntryBool(const CValue_Key& key, bool defaultValue = false) const;
    std::string EntryString(const CValue_Key& key, const std::string& defaultValue = std::string()) const;
    // Takes ownership of value (also when it throws); missing maps along a key path are created.
    void SetEntry(const CValue_Key& key, CValue* value);
    // Hands ownership of the entry to the caller; the entry becomes absent. Null when absent.
    CValue* Detach(const CValue_Key& key);
    // Deletes the entry (a whole subtree for a map); false when it was absent.
    bool RemoveEntry(const CValue_Key& key);

protected:
    // One level of a container; the key is a single segment here, never a path.
    virtual CValue* ChildAt(const CValue_Key& key) const;
    virtual void SetChild(const CValue_Key& key, CValue* value);
    virtual CValue* DetachChild(const CValue_Key& key);
    // For Clone/Copy implementations.
    void CopyMetaFrom(const CValue& source, bool merge);
    bool MetaEqual(const CValue& other) const;

private:
    std::unique_ptr<CValueMap> m_meta;
};

class KORA_API CValueBool : public CValue
{
public:
    explicit CValueBool(bool value = false) : m_value(value) {}
    bool Value() const noexcept { return m_value; }
    void SetValue(bool value) noexcept { m_value = value; }

    int GenericType() const override { return GT_BOOL; }
    const std::type_info& Type() const override { return typeid(CValueBool); }
    CValue* Clone(int strategy = COPY_NO_OWNERSHIP) const override;
    void Copy(const CValue& source, int strategy = COPY_NO_OWNERSHIP, bool merge = false) override;
    bool EqualData(const CValue& other) const override;

private:
    bool m_value;
};

// A 32-bit signed integer.
class KORA_API CValueLong : public CValue
{
public:
    explicit CValueLong(int32_t value = 0) : m_value(value) {}
    int32_t Value() const noexcept { return m_value; }
    void SetValue(int32_t value) noexcept { m_value = value; }

    int GenericType() const override { return GT_LONG; }
    const std::type_info& Type() const override { return typeid(CValueLong); }
    CValue* Clone(int strategy = COPY_NO_OWNERSHIP) const override;
    void Copy(const CValue& source, int strategy = COPY_NO_OWNERSHIP, bool merge = false) override;
    bool EqualData(const CValue& other) const override;

private:
    int32_t m_value;
};

// Two NaNs compare equal, so that every serialized double reads back as an equal value.
class KORA_API CValueDouble : public CValue
{
public:
    explicit CValueDouble(double value = 0.0) : m_value(value) {}
    double Value() const noexcept { return m_value; }
    void SetValue(double value) noexcept { m_value = value; }

    int GenericType() const override { return GT_DOUBLE; }
    const std::type_info& Type() const override { return typeid(CValueDouble); }
    CValue* Clone(int strategy = COPY_NO_OWNERSHIP) const override;
    void Copy(const CValue& source, int strategy = COPY_NO_OWNERSHIP, bool merge = false) override;
    bool EqualData(const CValue& other) const override;

private:
    double m_value;
};

// Bytes, UTF-8 by convention; may hold NULs.
class KORA_API CValueString : public CValue
{
public:
    CValueString() = default;
    explicit CValueString(std::string value) : m_value(std::move(value)) {}
    explicit CValueString(const char* value) : m_value(value ? value : "") {}
    CValueString(const char* data, std::size_t length) : m_value(data, length) {}
    const std::string& Value() const noexcept { return m_value; }
    void SetValue(std::string value) { m_value = std::move(value); }

    int GenericType() const override { return GT_STRING; }
    const std::type_info& Type() const override { return typeid(CValueString); }
    CValue* Clone(int strategy = COPY_NO_OWNERSHIP) const override;
    void Copy(const CValue& source, int strategy = COPY_NO_OWNERSHIP, bool merge = false) override;
    bool EqualData(const CValue& other) const override;

private:
    std::string m_value;
};

// Entries may be absent: an index never set, or detached. Size() is one past the highest index ever set.
class KORA_API CValueVector : public CValue
{
public:
    CValueVector();
    // size absent entries
    explicit CValueVector(std::size_t size);
    ~CValueVector() override;

    std::size_t Size() const noexcept { return m_entries.size(); }
    // Null when absent or out of range.
    CValue* At(std::size_t index) const noexcept;
    // Takes ownership; the value becomes entry Size().
    void Append(CValue* value);
    void Clear();

    int GenericType() const override { return GT_VECTOR; }
    const std::type_info& Type() const override { return typeid(CValueVector); }
    CValue* Clone(int strategy = COPY_NO_OWNERSHIP) const override;
    void Copy(const CValue& source, int strategy = COPY_NO_OWNERSHIP, bool merge = false) override;
    bool EqualData(const CValue& other) const override;

protected:
    CValue* ChildAt(const CValue_Key& key) const override;
    void SetChild(const CValue_Key& key, CValue* value) override;
    CValue* DetachChild(const CValue_Key& key) override;

private:
    std::vector<std::unique_ptr<CValue>> m_entries;
};

// Named entries in insertion order. Names never contain "/" (that makes a key path).
class KORA_API CValueMap : public CValue
{
public:
    CValueMap();
    ~CValueMap() override;

    std::size_t Size() const noexcept { return m_entries.size(); }
    bool Empty() const noexcept { return m_entries.empty(); }
    const std::string& KeyAt(std::size_t position) const;
    CValue* ValueAt(std::size_t position) const;
    std::vector<std::string> Keys() const;
    void Clear();
    // Sets the entry of exactly this name, which is not read as a key path: an empty name or one holding
    // "/" is stored as it is (a text document's keys are arbitrary). Takes ownership.
    void SetNamedEntry(const std::string& name, CValue* value);

    int GenericType() const override { return GT_MAP; }
    const std::type_info& Type() const override { return typeid(CValueMap); }
    CValue* Clone(int strategy = COPY_NO_OWNERSHIP) const override;
    void Copy(const CValue& source, int strategy = COPY_NO_OWNERSHIP, bool merge = false) override;
    bool EqualData(const CValue& other) const override;

protected:
    CValue* ChildAt(const CValue_Key& key) const override;
    void SetChild(const CValue_Key& key, CValue* value) override;
    CValue* DetachChild(const CValue_Key& key) override;

private:
    // The position of a name, or Size() when absent; constant time, so that maps of many entries (a graph's
    // nodes) load in linear time.
    std::size_t Find(const std::string& name) const;
    void Reindex();

    std::vector<std::pair<std::string, std::unique_ptr<CValue>>> m_entries;
    std::unordered_map<std::string, std::size_t> m_positions;
};

// A reference-counted handle to one value. Every handle may be deleted separately; the value lives while
// any handle does. Clone gives another handle to the same value (that is what a handle is for); Copy makes
// this handle share the source handle's value. Entry access goes through to the held value.
class KORA_API CValueSmart : public CValue
{
public:
    // Takes ownership of value (may be null).
    explicit CValueSmart(CValue* value);
    ~CValueSmart() override;

    // A second handle to the same value; the caller owns the handle.
    CValueSmart* CloneValueSmart() const;
    CValue* Get() const noexcept { return m_value.get(); }
    long UseCount() const noexcept { return m_value.use_count(); }

    int GenericType() const override { return GT_SMART; }
    const std::type_info& Type() const override { return typeid(CValueSmart); }
    CValue* Clone(int strategy = COPY_NO_OWNERSHIP) const override;
    void Copy(const CValue& source, int strategy = COPY_NO_OWNERSHIP, bool merge = false) override;
    bool EqualData(const CValue& other) const override;

protected:
    CValue* ChildAt(const CValue_Key& key) const override;
    void SetChild(const CValue_Key& key, CValue* value) override;
    CValue* DetachChild(const CValue_Key& key) override;

private:
    explicit CValueSmart(std::shared_ptr<CValue> shared);
    std::shared_ptr<CValue> m_value;
};

// Sees through smart handles (any depth); null stays null.
KORA_API const CValue* Unwrap(const CValue* value) noexcept;
KORA_API CValue* Unwrap(CValue* value) noexcept;

// "KORA::CValueLong", "KORA::CImage", "KORA::CValuePointer<QWidget>": the demangled C++ name.
KORA_API std::string HumanReadableTypename(const std::type_info& type);
// "bool", "double", "long", "map", "pointer", "string", "vector", "smart"; "unknown" otherwise.
KORA_API const char* GenericTypeName(int genericType) noexcept;

} // namespace KORA
