#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <string>
#include <unordered_set>
#include <vector>

#include <pugixml.hpp>

#include "kora/serializer.h"
#include "serializer_p.h"

namespace KORA {

namespace {

using serial::kMaxDepth;

// Length of the UTF-8 sequence at text[i] when it encodes a character XML 1.0 can hold, else 0.
std::size_t XmlCharLength(const std::string& text, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char b0 = byte(i);
    if (b0 < 0x80)
        return (b0 >= 0x20 || b0 == '\t' || b0 == '\n' || b0 == '\r') ? 1 : 0;
    std::size_t length;
    unsigned code;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
        code = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        code = b0 & 0x0F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        code = b0 & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    const unsigned minimum = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000) || code == 0xFFFE ||
        code == 0xFFFF)
        return 0;
    return length;
}

bool XmlCanHold(const std::string& text)
{
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = XmlCharLength(text, i);
        if (!length)
            return false;
        i += length;
    }
    return true;
}

// Strings XML cannot hold (NULs, control characters, invalid UTF-8) are written with backslash escapes
// and marked, so that they still come back byte for byte.
std::string BackslashEscape(const std::string& text)
{
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = XmlCharLength(text, i);
        if (text[i] == '\\') {
            out += "\\\\";
            ++i;
        } else if (length && text[i] != '\r') {
            out.append(text, i, length);
            i += length;
        } else {
            const auto b = static_cast<unsigned char>(text[i]);
            out += "\\x";
            out += hex[b >> 4];
            out += hex[b & 0xF];
            ++i;
        }
    }
    return out;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// False on a malformed escape.
bool BackslashUnescape(const std::string& text, std::string& out)
{
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '\\') {
            out += '\\';
            ++i;
            continue;
        }
        if (i + 3 < text.size() && text[i + 1] == 'x' && HexDigit(text[i + 2]) >= 0 && HexDigit(text[i + 3]) >= 0) {
            out += static_cast<char>(HexDigit(text[i + 2]) * 16 + HexDigit(text[i + 3]));
            i += 3;
            continue;
        }
        return false;
    }
    return true;
}

void AppendEscaped(std::string& out, const std::string& text, bool attribute)
{
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '\r': out += "&#13;"; break;
        case '"': out += attribute ? "&quot;" : "\""; break;
        // An attribute's raw tabs and newlines would be read back as blanks.
        case '\t': out += attribute ? "&#9;" : "\t"; break;
        case '\n': out += attribute ? "&#10;" : "\n"; break;
        default: out += c;
        }
    }
}

const char* ElementName(int kind)
{
    switch (kind) {
    case GT_BOOL: return "bool";
    case GT_DOUBLE: return "double";
    case GT_LONG: return "long";
    case GT_MAP: return "map";
    case GT_STRING: return "string";
    case GT_VECTOR: return "vector";
    default: return "unknown";
    }
}

class XmlWriter
{
public:
    XmlWriter(const CXmlSerializer2& serializer)
        : m_source(serial::SourceOf(serializer, "CXmlSerializer2")),
          m_writeMeta(serializer.WritesMeta()),
          m_compact(serializer.Compact())
    {
    }

    std::string Write(const CValue& value)
    {
        m_out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
        if (!m_compact)
            m_out += '\n';
        Element(value, nullptr, 0, 0, m_compact);
        if (!m_compact)
            m_out += '\n';
        return std::move(m_out);
    }

private:
    void CheckDepth(int depth) const
    {
        if (depth > kMaxDepth)
            throw CExIo("values nested deeper than " + std::to_string(kMaxDepth) + " levels cannot be written",
                        m_source);
    }

    void StartLine(int level, bool oneLine)
    {
        if (oneLine)
            return;
        m_out += '\n';
        m_out.append(static_cast<std::size_t>(level) * 2, ' ');
    }

    static bool IsScalar(const CValue* value)
    {
        const int kind = value->GenericType();
        return kind != GT_MAP && kind != GT_VECTOR;
    }

    // A vector of plain scalars reads best on one line, like a row of numbers.
    bool FitsOneLine(const CValueVector& vector) const
    {
        for (std::size_t i = 0; i < vector.Size(); ++i) {
            const CValue* entry = vector.At(i);
            if (!entry)
                continue;
            const CValue& resolved = serial::ResolveForWriting(*entry, m_source);
            if (!IsScalar(&resolved) || (m_writeMeta && serial::MetaForWriting(*entry, resolved)))
                return false;
        }
        return true;
    }

    void MapEntries(const CValueMap& map, int level, int depth, bool oneLine)
    {
        for (std::size_t i = 0; i < map.Size(); ++i) {
            StartLine(level, oneLine);
            Element(*map.ValueAt(i), &map.KeyAt(i), level, depth, oneLine);
        }
    }

    void Meta(const CValueMap& meta, int level, int depth, bool oneLine)
    {
        CheckDepth(depth + 1);
        StartLine(level, oneLine);
        const CValueMap* metaOfMeta = m_writeMeta ? serial::MetaForWriting(meta, meta) : nullptr;
        if (meta.Empty() && !metaOfMeta) {
            m_out += "<meta/>";
            return;
        }
        m_out += "<meta>";
        if (metaOfMeta)
            Meta(*metaOfMeta, level + 1, depth + 1, oneLine);
        MapEntries(meta, level + 1, depth + 1, oneLine);
        StartLine(level, oneLine);
        m_out += "</meta>";
    }

    // depth counts the containers around the element; level is its indentation.
    void Element(const CValue& value, const std::string* key, int level, int depth, bool oneLine)
    {
        const CValue& resolved = serial::ResolveForWriting(value, m_source);
        const CValueMap* meta = m_writeMeta ? serial::MetaForWriting(value, resolved) : nullptr;
        const int kind = resolved.GenericType();
        const char* name = ElementName(kind);

        m_out += '<';
        m_out += name;
        if (key) {
            m_out += " key=\"";
            if (XmlCanHold(*key)) {
                AppendEscaped(m_out, *key, true);
                m_out += '"';
            } else {
                AppendEscaped(m_out, BackslashEscape(*key), true);
                m_out += "\" keyescaped=\"true\"";
            }
        }

        if (IsScalar(&resolved)) {
            std::string text;
            switch (kind) {
            case GT_BOOL: text = static_cast<const CValueBool&>(resolved).Value() ? "true" : "false"; break;
            case GT_LONG: text = std::to_string(static_cast<const CValueLong&>(resolved).Value()); break;
            case GT_DOUBLE: text = serial::FormatDouble(static_cast<const CValueDouble&>(resolved).Value()); break;
            default: text = static_cast<const CValueString&>(resolved).Value(); break;
            }
            if (!XmlCanHold(text)) {
                text = BackslashEscape(text);
                m_out += " escaped=\"true\"";
            }
            m_out += '>';
            // The text is everything between the tags, so the meta data goes on the same line.
            if (meta)
                Meta(*meta, level + 1, depth, true);
            AppendEscaped(m_out, text, false);
            m_out += "</";
            m_out += name;
            m_out += '>';
            return;
        }

        CheckDepth(depth + 1);
        const bool empty = kind == GT_MAP ? static_cast<const CValueMap&>(resolved).Empty()
                                          : static_cast<const CValueVector&>(resolved).Size() == 0;
        if (empty && !meta) {
            m_out += "/>";
            return;
        }
        m_out += '>';
        if (kind == GT_VECTOR && !oneLine && !meta)
            oneLine = FitsOneLine(static_cast<const CValueVector&>(resolved));
        if (meta)
            Meta(*meta, level + 1, depth + 1, oneLine);
        if (kind == GT_MAP) {
            MapEntries(static_cast<const CValueMap&>(resolved), level + 1, depth + 1, oneLine);
        } else {
            const auto& vector = static_cast<const CValueVector&>(resolved);
            for (std::size_t i = 0; i < vector.Size(); ++i) {
                StartLine(level + 1, oneLine);
                if (const CValue* entry = vector.At(i))
                    Element(*entry, nullptr, level + 1, depth + 1, oneLine);
                else
                    m_out += "<null/>";
            }
        }
        StartLine(level, oneLine);
        m_out += "</";
        m_out += name;
        m_out += '>';
    }

    std::string m_source;
    bool m_writeMeta;
    bool m_compact;
    std::string m_out;
};

bool IsBlank(const char* text)
{
    for (; *text; ++text) {
        if (*text != ' ' && *text != '\t' && *text != '\n' && *text != '\r')
            return false;
    }
    return true;
}

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\n\r");
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(" \t\n\r") - first + 1);
}

class XmlReader
{
public:
    XmlReader(const char* text, std::size_t length, std::string source, bool refuseDuplicateKeys)
        : m_text(text), m_length(length), m_source(std::move(source)), m_refuseDuplicateKeys(refuseDuplicateKeys)
    {
    }

    CValue* Read()
    {
        pugi::xml_document document;
        const pugi::xml_parse_result result = document.load_buffer(
            m_text, m_length, pugi::parse_default | pugi::parse_ws_pcdata, pugi::encoding_utf8);
        if (!result) {
            const auto offset = static_cast<std::size_t>(std::max<std::ptrdiff_t>(result.offset, 0));
            const auto [line, column] = Position(offset);
            throw CException("line " + std::to_string(line) + ", column " + std::to_string(column) +
                                 ": malformed XML: " + result.description(),
                             m_source);
        }
        pugi::xml_node root;
        for (pugi::xml_node child : document.children()) {
            if (child.type() == pugi::node_element) {
                if (root)
                    Fail(child, "more than one root element");
                root = child;
            } else if ((child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) &&
                       !IsBlank(child.value())) {
                Fail(child, "text outside the root element");
            }
        }
        if (!root)
            throw CException("line 1: no root element", m_source);
        return ReadElement(root, 0, nullptr).release();
    }

private:
    std::pair<std::size_t, std::size_t> Position(std::size_t offset) const
    {
        offset = std::min(offset, m_length);
        std::size_t line = 1;
        std::size_t lineStart = 0;
        for (std::size_t i = 0; i < offset; ++i) {
            if (m_text[i] == '\n') {
                ++line;
                lineStart = i + 1;
            }
        }
        return {line, offset - lineStart + 1};
    }

    [[noreturn]] void Fail(pugi::xml_node node, const std::string& message) const
    {
        const std::ptrdiff_t offset = node.offset_debug();
        const std::size_t line = offset >= 0 ? Position(static_cast<std::size_t>(offset)).first : 1;
        throw CException("line " + std::to_string(line) + ": " + message, m_source);
    }

    static std::string Quoted(const std::string& text) { return "\"" + serial::Shorten(text) + "\""; }

    // inVector: a <null/> is an absent entry there (returned as null); elsewhere it is an error.
    std::unique_ptr<CValue> ReadElement(pugi::xml_node node, int depth, const bool* inVector)
    {
        const std::string name = node.name();
        if (name == "map" || name == "vector") {
            if (depth + 1 > kMaxDepth)
                Fail(node, "nesting deeper than " + std::to_string(kMaxDepth) + " levels");
            if (name == "map") {
                auto map = std::make_unique<CValueMap>();
                std::vector<std::unique_ptr<CValue>> unused;
                ReadChildren(node, map.get(), unused, *map, depth + 1);
                return map;
            }
            // The vector is built once its length is known, so that trailing absent entries count.
            std::vector<std::unique_ptr<CValue>> entries;
            CValueBool metaHolder;
            ReadChildren(node, nullptr, entries, metaHolder, depth + 1);
            auto vector = std::make_unique<CValueVector>(entries.size());
            for (std::size_t i = 0; i < entries.size(); ++i) {
                if (entries[i])
                    vector->SetEntry(static_cast<int>(i), entries[i].release());
            }
            if (const CValueMap* meta = metaHolder.MetaOrNull())
                vector->Meta().Copy(*meta, COPY_NO_OWNERSHIP, false);
            return vector;
        }
        if (name == "long" || name == "double" || name == "string" || name == "bool")
            return ReadScalar(node, name, depth);
        if (name == "null") {
            if (!inVector || !*inVector)
                Fail(node, "<null/> is only allowed inside a vector");
            if (node.first_child())
                Fail(node, "<null/> must be empty");
            return nullptr;
        }
        if (name == "meta")
            Fail(node, "<meta> must be the first child of an element");
        Fail(node, "unknown element <" + serial::Shorten(name) + ">");
    }

    void ReadMeta(pugi::xml_node node, CValue& owner, int depth)
    {
        if (depth > kMaxDepth)
            Fail(node, "nesting deeper than " + std::to_string(kMaxDepth) + " levels");
        CValueMap meta;
        std::vector<std::unique_ptr<CValue>> unused;
        ReadChildren(node, &meta, unused, meta, depth);
        if (!meta.Empty())
            owner.Meta().Copy(meta, COPY_NO_OWNERSHIP, true);
    }

    // The entries of a map or <meta> (into map), or of a vector (into entries, null for absent ones);
    // the <meta> child goes to metaOwner. Text between the entries must be blank.
    void ReadChildren(pugi::xml_node node, CValueMap* map, std::vector<std::unique_ptr<CValue>>& entries,
                      CValue& metaOwner, int depth)
    {
        bool firstElement = true;
        std::unordered_set<std::string> seen;
        for (pugi::xml_node child : node.children()) {
            if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
                if (!IsBlank(child.value()))
                    Fail(child, "unexpected text " + Quoted(Trimmed(child.value())) + " in <" + node.name() + ">");
                continue;
            }
            if (child.type() != pugi::node_element)
                continue;
            const bool first = firstElement;
            firstElement = false;
            if (first && std::string(child.name()) == "meta") {
                ReadMeta(child, metaOwner, depth + 1);
                continue;
            }
            if (!map) {
                const bool inVector = true;
                entries.push_back(ReadElement(child, depth, &inVector));
                continue;
            }
            const pugi::xml_attribute keyAttribute = child.attribute("key");
            if (!keyAttribute)
                Fail(child, std::string("<") + child.name() + "> in <" + node.name() + "> has no key attribute");
            std::string key = keyAttribute.value();
            if (child.attribute("keyescaped").as_bool()) {
                std::string decoded;
                if (!BackslashUnescape(key, decoded))
                    Fail(child, "malformed escape in key " + Quoted(key));
                key = std::move(decoded);
            }
            // Any key the writer writes reads back, as in the text format: an empty one, or one holding
            // "/", is a name, never a path through nested maps.
            if (m_refuseDuplicateKeys && !seen.insert(key).second)
                Fail(child, "duplicate key " + Quoted(key));
            const bool inVector = false;
            map->SetNamedEntry(key, ReadElement(child, depth, &inVector).release());
        }
    }

    std::unique_ptr<CValue> ReadScalar(pugi::xml_node node, const std::string& name, int depth)
    {
        std::string text;
        pugi::xml_node meta;
        for (pugi::xml_node child : node.children()) {
            if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
                text += child.value();
            } else if (child.type() == pugi::node_element) {
                if (std::string(child.name()) != "meta" || meta || child != node.find_child([](pugi::xml_node n) {
                        return n.type() == pugi::node_element;
                    }))
                    Fail(child, "unexpected element <" + serial::Shorten(child.name()) + "> in <" + name + ">");
                meta = child;
            }
        }
        if (node.attribute("escaped").as_bool()) {
            std::string decoded;
            if (!BackslashUnescape(text, decoded))
                Fail(node, "malformed escape in <" + name + "> " + Quoted(text));
            text = std::move(decoded);
        }

        std::unique_ptr<CValue> value;
        if (name == "string") {
            value = std::make_unique<CValueString>(std::move(text));
        } else {
            const std::string trimmed = Trimmed(text);
            const char* begin = trimmed.data();
            const char* end = begin + trimmed.size();
            if (name == "bool") {
                if (trimmed != "true" && trimmed != "false")
                    Fail(node, "<bool> " + Quoted(trimmed) + " is neither true nor false");
                value = std::make_unique<CValueBool>(trimmed == "true");
            } else if (name == "long") {
                int32_t number = 0;
                const auto result = std::from_chars(begin, end, number);
                if (result.ec == std::errc::result_out_of_range)
                    Fail(node, "<long> " + Quoted(trimmed) + " is outside the 32-bit range");
                if (result.ec != std::errc() || result.ptr != end)
                    Fail(node, "<long> " + Quoted(trimmed) + " is not an integer");
                value = std::make_unique<CValueLong>(number);
            } else {
                double number = 0.0;
                if (trimmed == "nan") {
                    number = std::nan("");
                } else if (trimmed == "inf" || trimmed == "-inf") {
                    number = trimmed[0] == '-' ? -HUGE_VAL : HUGE_VAL;
                } else {
                    const auto result = std::from_chars(begin, end, number);
                    if (result.ptr != end || (result.ec != std::errc() && result.ec != std::errc::result_out_of_range))
                        Fail(node, "<double> " + Quoted(trimmed) + " is not a number");
                    if (result.ec == std::errc::result_out_of_range) {
                        // Too small to represent reads as zero (or the nearest subnormal); too large is an error.
                        number = std::strtod(trimmed.c_str(), nullptr);
                        if (std::isinf(number))
                            Fail(node, "<double> " + Quoted(trimmed) + " is outside the range of a double");
                    }
                }
                value = std::make_unique<CValueDouble>(number);
            }
        }
        if (meta)
            ReadMeta(meta, *value, depth + 1);
        return value;
    }

    const char* m_text;
    std::size_t m_length;
    std::string m_source;
    bool m_refuseDuplicateKeys;
};

} // namespace

CXmlSerializer2::CXmlSerializer2(bool writeMeta, bool compact, const char* name)
    : CSerializer(writeMeta, compact, name)
{
}

void CXmlSerializer2::Serialize(const CValue& value, std::ostream& out) const
{
    XmlWriter writer(*this);
    const std::string text = writer.Write(value);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out)
        throw CExIo("writing the XML failed", serial::SourceOf(*this, "CXmlSerializer2"));
}

CValue* CXmlSerializer2::Deserialize(const char* text, std::size_t length) const
{
    if (!text && length)
        throw CException("no text to read", serial::SourceOf(*this, "CXmlSerializer2"));
    static const char empty[] = "";
    XmlReader reader(text ? text : empty, length, serial::SourceOf(*this, "CXmlSerializer2"),
                     RefusesDuplicateKeys());
    return reader.Read();
}

} // namespace KORA
