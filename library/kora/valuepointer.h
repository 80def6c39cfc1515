#pragma once
// Pointer values: a T* with an element count, an ownership flag and the element type.
//
// The ownership rules are strict because images and host widgets travel through these values:
// - an owned pointer is deleted (delete, or delete[] for a count above 1) when its value dies;
// - Clone(0) of an owned pointer throws; otherwise the clone shares the pointer without owning it, except
//   that with strategy 2 ownership moves from the cloned value to the clone;
// - Copy needs a pointer value of the same element type (CExBadType otherwise); an owned source with
//   strategy 0 throws; the target first releases what it owns; with strategy 2 an owned source hands its
//   ownership to the target.
#include <cstring>
#include <typeinfo>

#include "kora/value.h"

namespace KORA {

class KORA_API CValuePointerBase : public CValue
{
public:
    ~CValuePointerBase() override;

    int GenericType() const override { return GT_POINTER; }
    virtual const std::type_info& ElementType() const = 0;
    virtual std::size_t ElementSize() const = 0;

    void* RawPointer() const noexcept { return m_pointer; }
    std::size_t Count() const noexcept { return m_count; }
    bool Owned() const noexcept { return m_owned; }

    // Same kind, count, element type and pointer.
    bool Equal(const CValue& other) const override;
    // The pointed-to bytes over count * element size (an untyped comparison).
    bool EqualData(const CValue& other) const override;

protected:
    CValuePointerBase(void* pointer, std::size_t count, bool owned) noexcept
        : m_pointer(pointer), m_count(count), m_owned(owned) {}
    // Throws the library's refusal for an owned pointer with strategy 0.
    static void CheckStrategy(const CValuePointerBase& source, int strategy, const char* operation);

    void* m_pointer;
    std::size_t m_count;
    // mutable: Clone(2) and Copy(…, 2) take ownership away from a const source.
    mutable bool m_owned;
};

template <class T>
class CValuePointer : public CValuePointerBase
{
public:
    explicit CValuePointer(T* pointer = nullptr, std::size_t count = 1, bool owned = false) noexcept
        : CValuePointerBase(pointer, count, owned) {}
    ~CValuePointer() override { Reset(); }

    T* Pointer() const noexcept { return static_cast<T*>(m_pointer); }
    // Deletes what it owns, then holds nothing.
    void Reset() noexcept
    {
        T* pointer = Pointer();
        if (m_owned) {
            m_owned = false;
            if (m_count > 1)
                delete[] pointer;
            else
                delete pointer;
        }
        m_pointer = nullptr;
        m_count = 0;
    }
    // Gives up ownership without deleting; returns the pointer, which the caller now owns.
    T* Disown() noexcept
    {
        m_owned = false;
        return Pointer();
    }

    const std::type_info& Type() const override { return typeid(CValuePointer<T>); }
    const std::type_info& ElementType() const override { return typeid(T); }
    std::size_t ElementSize() const override { return sizeof(T); }

    CValue* Clone(int strategy = COPY_NO_OWNERSHIP) const override
    {
        CheckStrategy(*this, strategy, "cloned");
        auto* clone = new CValuePointer<T>(Pointer(), m_count, false);
        if (strategy == COPY_MOVE_OWNERSHIP && m_owned) {
            m_owned = false;
            clone->m_owned = true;
        }
        clone->CopyMetaFrom(*this, false);
        return clone;
    }

    void Copy(const CValue& source, int strategy = COPY_NO_OWNERSHIP, bool merge = false) override
    {
        const auto* other = dynamic_cast<const CValuePointer<T>*>(&source);
        if (!other)
            throw CExBadType("cannot copy a " + HumanReadableTypename(source.Type()) + " into a " +
                                 HumanReadableTypename(Type()),
                             "CValuePointer::Copy");
        if (other == this)
            return;
        CheckStrategy(*other, strategy, "copied");
        Reset();
        m_pointer = other->m_pointer;
        m_count = other->m_count;
        if (strategy == COPY_MOVE_OWNERSHIP && other->m_owned) {
            other->m_owned = false;
            m_owned = true;
        }
        CopyMetaFrom(*other, merge);
    }
};

// The owning form: the value deletes the object (or array) when it dies.
template <class T>
class CValueOwnedPointer : public CValuePointer<T>
{
public:
    explicit CValueOwnedPointer(T* pointer, std::size_t count = 1) noexcept
        : CValuePointer<T>(pointer, count, true) {}
    const std::type_info& Type() const override { return typeid(CValueOwnedPointer<T>); }
};

// The T* of a pointer value (through smart handles); CExBadType naming both types otherwise.
template <class T>
T* UnwrapPointer(const CValue* value)
{
    const CValue* inner = Unwrap(value);
    if (const auto* pointer = dynamic_cast<const CValuePointer<T>*>(inner))
        return pointer->Pointer();
    throw CExBadType("expected a pointer to " + HumanReadableTypename(typeid(T)) + ", got " +
                         (inner ? HumanReadableTypename(inner->Type()) : std::string("no value")),
                     "UnwrapPointer");
}

// Whether the value (through smart handles) is a pointer to T.
template <class T>
bool IsPointerTo(const CValue* value) noexcept
{
    return dynamic_cast<const CValuePointer<T>*>(Unwrap(value)) != nullptr;
}

} // namespace KORA
