#include "kora/serializer.h"

#include <memory>
#include <sstream>

namespace KORA {

CSerializer::CSerializer(bool writeMeta, bool compact, const char* name)
    : m_writeMeta(writeMeta), m_compact(compact), m_name(name ? name : "")
{
}

CSerializer::~CSerializer() = default;

std::string CSerializer::ToString(const CValue& value) const
{
    std::ostringstream out;
    Serialize(value, out);
    return out.str();
}

void DeserializeString(CValue& target, const std::string& text, const CSerializer& serializer)
{
    std::unique_ptr<CValue> value(serializer.Deserialize(text));
    if (!value)
        throw CExBadType("the text holds no value (null)",
                         serializer.Name().empty() ? std::string("DeserializeString") : serializer.Name());
    // A smart handle stands for the value it holds, so the text has to match that value's kind.
    CValue* destination = Unwrap(&target);
    if (!destination)
        destination = &target;
    if (destination->GenericType() != value->GenericType()) {
        throw CExBadType(std::string("the text holds a ") + GenericTypeName(value->GenericType()) +
                             ", the target is a " + GenericTypeName(destination->GenericType()),
                         serializer.Name().empty() ? std::string("DeserializeString") : serializer.Name());
    }
    destination->Copy(*value, COPY_NO_OWNERSHIP, false);
}

} // namespace KORA
