#pragma once
// Serializers: values to text and back. Writing throws CExIo (a pointer value cannot be written, the
// message names its element type); reading throws CException with line and column.
#include <cstddef>
#include <iosfwd>
#include <string>

#include "kora/value.h"

namespace KORA {

class KORA_API CSerializer
{
public:
    // writeMeta: write each value's meta data too (reading always accepts it).
    // compact: everything on one line, no indentation.
    // name: the document's name, used in messages; may be null.
    CSerializer(bool writeMeta, bool compact, const char* name);
    virtual ~CSerializer();

    virtual void Serialize(const CValue& value, std::ostream& out) const = 0;
    // A new value the caller owns.
    virtual CValue* Deserialize(const char* text, std::size_t length) const = 0;
    CValue* Deserialize(const std::string& text) const { return Deserialize(text.data(), text.size()); }
    std::string ToString(const CValue& value) const;

    // Off by default, since JSON lets a key repeat and its readers keep the last. A graph file turns it
    // on: there a repeated node name would drop the first node silently, and only the reader still sees
    // the repetition (a map holds one value per key).
    void SetRefuseDuplicateKeys(bool refuse) noexcept { m_refuseDuplicateKeys = refuse; }
    bool RefusesDuplicateKeys() const noexcept { return m_refuseDuplicateKeys; }
    bool WritesMeta() const noexcept { return m_writeMeta; }
    bool Compact() const noexcept { return m_compact; }
    const std::string& Name() const noexcept { return m_name; }

private:
    bool m_writeMeta;
    bool m_compact;
    std::string m_name;
    bool m_refuseDuplicateKeys = false;
};

// JSON with two refinements: integer literals are longs, numbers with "." or an exponent and nan/inf/-inf
// are doubles. Every JSON document reads:
// - an integer beyond the 32 bits of a long reads as a double (it used to be an error; JSON has one
//   number type and its readers widen);
// - null is an absent value: an absent entry of a vector, a map member that is left out, and for a
//   document that is only null, no value at all (Deserialize returns null);
// - map keys are taken as written, the empty key and keys with "/" included (they are never key paths);
//   a key written twice in one map keeps the last value, unless duplicate keys are refused;
// - text that is not valid UTF-8 is refused, naming the byte offset. A string value holding bytes that
//   are not UTF-8 is written with each stray byte as the lone surrogate escape \udcXX, which reads back
//   as that byte, so every written value still reads back equal.
// A container goes on one line when that line fits in 80 columns, otherwise one entry per line indented
// by two blanks. Doubles are written shortest-round-trip, always with "." or an exponent. Nesting is
// limited to 256 levels.
class KORA_API CTextSerializer : public CSerializer
{
public:
    CTextSerializer(bool writeMeta = true, bool compact = false, const char* name = nullptr);
    void Serialize(const CValue& value, std::ostream& out) const override;
    using CSerializer::Deserialize;
    CValue* Deserialize(const char* text, std::size_t length) const override;
};

// <map>, <vector>, <long>, <double>, <string>, <bool> elements with a key attribute inside maps, and an
// optional first child <meta> holding the value's meta data. Round trips are exact. As in the text form,
// a key that appears twice in one <map> keeps the last value unless duplicate keys are refused.
class KORA_API CXmlSerializer2 : public CSerializer
{
public:
    CXmlSerializer2(bool writeMeta = true, bool compact = false, const char* name = nullptr);
    void Serialize(const CValue& value, std::ostream& out) const override;
    using CSerializer::Deserialize;
    CValue* Deserialize(const char* text, std::size_t length) const override;
};

// Reads text with the serializer and makes target a copy of what was read (Copy with strategy 0, no
// merge); CExBadType when the text holds another kind of value than target.
KORA_API void DeserializeString(CValue& target, const std::string& text, const CSerializer& serializer);

} // namespace KORA
