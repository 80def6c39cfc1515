#include <limits>

#include "rp/rp.h"

namespace RP {

using namespace KORA;

value::value() : m_content(std::shared_ptr<CValue>()) {}
value::value(const char* text) : m_content(std::string(text ? text : "")) {}
value::value(const std::string& text) : m_content(text) {}
value::value(bool flag) : m_content(flag) {}
value::value(int number) : m_content(static_cast<long long>(number)) {}
value::value(long number) : m_content(static_cast<long long>(number)) {}
value::value(long long number) : m_content(number) {}
value::value(double number) : m_content(number) {}
value::value(CValue* owned) : m_content(std::shared_ptr<CValue>(owned)) {}

bool value::IsString() const noexcept
{
    return std::holds_alternative<std::string>(m_content);
}

bool value::IsBool() const noexcept
{
    return std::holds_alternative<bool>(m_content);
}

bool value::IsInteger() const noexcept
{
    return std::holds_alternative<long long>(m_content);
}

bool value::IsDouble() const noexcept
{
    return std::holds_alternative<double>(m_content);
}

bool value::IsValue() const noexcept
{
    return std::holds_alternative<std::shared_ptr<CValue>>(m_content);
}

const std::string& value::String() const
{
    if (const auto* text = std::get_if<std::string>(&m_content))
        return *text;
    throw CException("expected a string, got " + Describe(), "RP::value");
}

CValue* value::Value() const noexcept
{
    const auto* held = std::get_if<std::shared_ptr<CValue>>(&m_content);
    return held ? held->get() : nullptr;
}

CValue* value::ToCValue() const
{
    if (const auto* text = std::get_if<std::string>(&m_content))
        return new CValueString(*text);
    if (const auto* flag = std::get_if<bool>(&m_content))
        return new CValueBool(*flag);
    if (const auto* number = std::get_if<long long>(&m_content)) {
        if (*number < std::numeric_limits<int32_t>::min() || *number > std::numeric_limits<int32_t>::max())
            return new CValueDouble(static_cast<double>(*number));
        return new CValueLong(static_cast<int32_t>(*number));
    }
    if (const auto* number = std::get_if<double>(&m_content))
        return new CValueDouble(*number);
    const CValue* held = Value();
    if (!held)
        throw CException("the value holds nothing", "RP::value");
    return held->Clone(COPY_MOVE_OWNERSHIP);
}

std::string value::Describe() const
{
    if (const auto* text = std::get_if<std::string>(&m_content))
        return "a string \"" + *text + "\"";
    if (const auto* flag = std::get_if<bool>(&m_content))
        return std::string("a bool ") + (*flag ? "true" : "false");
    if (const auto* number = std::get_if<long long>(&m_content))
        return "an integer " + std::to_string(*number);
    if (const auto* number = std::get_if<double>(&m_content))
        return "a double " + std::to_string(*number);
    const CValue* held = Unwrap(Value());
    if (!held)
        return "nothing";
    if (const auto* pointer = dynamic_cast<const CValuePointerBase*>(held))
        return std::string(pointer->Owned() ? "a pointer to " : "a pointer it does not own to ") +
               HumanReadableTypename(pointer->ElementType());
    return "a " + HumanReadableTypename(held->Type());
}

value::operator CImage*() const
{
    auto* pointer = dynamic_cast<CValuePointer<CImage>*>(Unwrap(Value()));
    if (!pointer || !pointer->Owned() || !pointer->Pointer())
        throw CException("invalid pointer conversion of " + Describe() + " to KORA::CImage*", "RP::value");
    return pointer->Disown();
}

} // namespace RP
