#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "kora/serializer.h"
#include "serializer_p.h"

namespace KORA {

namespace {

using serial::kMaxDepth;

constexpr std::size_t kLineWidth = 80;
const char kMetaKey[] = "$meta";
const char kValueKey[] = "$value";

// The length of the valid UTF-8 sequence of two to four bytes at p (shortest form, no surrogates, at most
// U+10FFFF), or 0 when the bytes there are not one.
std::size_t Utf8SequenceLength(const char* p, const char* end)
{
    const auto byte = [&](std::ptrdiff_t i) { return static_cast<unsigned char>(p[i]); };
    const unsigned char lead = byte(0);
    const std::ptrdiff_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                                  : lead >= 0xF0 && lead <= 0xF4                                   ? 4
                                                                                                    : 0;
    if (length == 0 || end - p < length)
        return 0;
    for (std::ptrdiff_t i = 1; i < length; ++i)
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
    const unsigned second = byte(1);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) || (lead == 0xF0 && second < 0x90) ||
        (lead == 0xF4 && second >= 0x90))
        return 0;
    return static_cast<std::size_t>(length);
}

// A byte that is not part of valid UTF-8 is written as the lone surrogate escape \udcXX, which the reader
// turns back into that byte: strings of any bytes come back exactly, while the text stays valid UTF-8.
void AppendQuoted(std::string& out, const std::string& text)
{
    static const char hex[] = "0123456789abcdef";
    out += '"';
    const char* end = text.data() + text.size();
    for (const char* p = text.data(); p != end; ++p) {
        const char c = *p;
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (byte < 0x20 || byte >= 0x80) {
                const std::size_t length = byte >= 0x80 ? Utf8SequenceLength(p, end) : 0;
                if (length > 0) {
                    out.append(p, length);
                    p += length - 1;
                    break;
                }
                out += byte < 0x20 ? "\\u00" : "\\udc";
                out += hex[byte >> 4];
                out += hex[byte & 0xf];
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

class Writer
{
public:
    Writer(const CTextSerializer& serializer)
        : m_source(serial::SourceOf(serializer, "CTextSerializer")), m_writeMeta(serializer.WritesMeta())
    {
    }

    std::string Compact(const CValue& value)
    {
        std::string out;
        AppendCompact(out, value, true, std::string::npos, 0);
        return out;
    }

    std::string Pretty(const CValue& value)
    {
        m_out.clear();
        AppendPretty(value, true, 0, std::string(), false);
        return std::move(m_out);
    }

private:
    // A value written with its meta data becomes {"$meta": {...}, "$value": ...}, which is a container
    // even when the value is a scalar.
    const CValueMap* MetaOf(const CValue& value, const CValue& resolved, bool withMeta) const
    {
        return withMeta && m_writeMeta ? serial::MetaForWriting(value, resolved) : nullptr;
    }

    void CheckDepth(int depth) const
    {
        if (depth > kMaxDepth)
            throw CExIo("values nested deeper than " + std::to_string(kMaxDepth) + " levels cannot be written",
                        m_source);
    }

    static void AppendScalar(std::string& out, const CValue& value)
    {
        switch (value.GenericType()) {
        case GT_BOOL: out += static_cast<const CValueBool&>(value).Value() ? "true" : "false"; break;
        case GT_LONG: out += std::to_string(static_cast<const CValueLong&>(value).Value()); break;
        case GT_DOUBLE: out += serial::FormatDouble(static_cast<const CValueDouble&>(value).Value()); break;
        case GT_STRING: AppendQuoted(out, static_cast<const CValueString&>(value).Value()); break;
        default: break;
        }
    }

    // Appends the one-line form; gives up (false) as soon as out grows beyond limit, so that deciding
    // whether a container fits on a line costs no more than the line itself.
    bool AppendCompact(std::string& out, const CValue& value, bool withMeta, std::size_t limit, int depth)
    {
        const CValue& resolved = serial::ResolveForWriting(value, m_source);
        if (const CValueMap* meta = MetaOf(value, resolved, withMeta)) {
            CheckDepth(depth + 1);
            out += "{\"$meta\": ";
            if (!AppendCompact(out, *meta, true, limit, depth + 1))
                return false;
            out += ", \"$value\": ";
            if (!AppendCompact(out, value, false, limit, depth + 1))
                return false;
            out += '}';
        } else if (resolved.GenericType() == GT_MAP) {
            CheckDepth(depth + 1);
            const auto& map = static_cast<const CValueMap&>(resolved);
            out += '{';
            for (std::size_t i = 0; i < map.Size(); ++i) {
                if (i)
                    out += ", ";
                AppendQuoted(out, map.KeyAt(i));
                out += ": ";
                if (out.size() > limit || !AppendCompact(out, *map.ValueAt(i), true, limit, depth + 1))
                    return false;
            }
            out += '}';
        } else if (resolved.GenericType() == GT_VECTOR) {
            CheckDepth(depth + 1);
            const auto& vector = static_cast<const CValueVector&>(resolved);
            out += '[';
            for (std::size_t i = 0; i < vector.Size(); ++i) {
                if (i)
                    out += ", ";
                if (const CValue* entry = vector.At(i)) {
                    if (!AppendCompact(out, *entry, true, limit, depth + 1))
                        return false;
                } else {
                    out += "null";
                }
                if (out.size() > limit)
                    return false;
            }
            out += ']';
        } else {
            AppendScalar(out, resolved);
        }
        return out.size() <= limit;
    }

    void StartLine(int level)
    {
        if (!m_out.empty())
            m_out += '\n';
        m_out.append(static_cast<std::size_t>(level) * 2, ' ');
    }

    // One entry of a container (or the document) at the given level; prefix is the quoted key and ": ".
    void AppendPretty(const CValue& value, bool withMeta, int level, const std::string& prefix, bool comma)
    {
        const CValue& resolved = serial::ResolveForWriting(value, m_source);
        const CValueMap* meta = MetaOf(value, resolved, withMeta);
        const int kind = resolved.GenericType();
        const bool container = meta || kind == GT_MAP || kind == GT_VECTOR;

        StartLine(level);
        const std::size_t lineStart = m_out.size() - static_cast<std::size_t>(level) * 2;
        m_out += prefix;
        if (!container) {
            AppendScalar(m_out, resolved);
            if (comma)
                m_out += ',';
            return;
        }

        const std::size_t limit = lineStart + kLineWidth - (comma ? 1 : 0);
        const std::size_t before = m_out.size();
        if (m_out.size() <= limit && AppendCompact(m_out, value, withMeta, limit, level)) {
            if (comma)
                m_out += ',';
            return;
        }
        m_out.resize(before);

        CheckDepth(level + 1);
        if (meta) {
            m_out += '{';
            std::string key;
            AppendQuoted(key, kMetaKey);
            AppendPretty(*meta, true, level + 1, key + ": ", true);
            key.clear();
            AppendQuoted(key, kValueKey);
            AppendPretty(value, false, level + 1, key + ": ", false);
            StartLine(level);
            m_out += '}';
        } else if (kind == GT_MAP) {
            const auto& map = static_cast<const CValueMap&>(resolved);
            m_out += '{';
            for (std::size_t i = 0; i < map.Size(); ++i) {
                std::string key;
                AppendQuoted(key, map.KeyAt(i));
                AppendPretty(*map.ValueAt(i), true, level + 1, key + ": ", i + 1 < map.Size());
            }
            StartLine(level);
            m_out += '}';
        } else {
            const auto& vector = static_cast<const CValueVector&>(resolved);
            m_out += '[';
            for (std::size_t i = 0; i < vector.Size(); ++i) {
                const bool more = i + 1 < vector.Size();
                if (const CValue* entry = vector.At(i)) {
                    AppendPretty(*entry, true, level + 1, std::string(), more);
                } else {
                    StartLine(level + 1);
                    m_out += more ? "null," : "null";
                }
            }
            StartLine(level);
            m_out += ']';
        }
        if (comma)
            m_out += ',';
    }

    std::string m_source;
    bool m_writeMeta;
    std::string m_out;
};

class Parser
{
public:
    Parser(const char* text, std::size_t length, std::string source, bool refuseDuplicateKeys)
        : m_begin(text), m_p(text), m_end(text + length), m_source(std::move(source)),
          m_refuseDuplicateKeys(refuseDuplicateKeys)
    {
    }

    CValue* Parse()
    {
        if (m_end - m_p >= 3 && std::equal(m_p, m_p + 3, "\xEF\xBB\xBF"))
            m_p += 3;
        // A document that is only null holds no value: the caller gets none.
        std::unique_ptr<CValue> value = ParseValue(true);
        SkipBlanks();
        if (m_p != m_end)
            Fail(m_p, "unexpected text after the value");
        return value.release();
    }

private:
    [[noreturn]] void Fail(const char* at, const std::string& message) const
    {
        const char* lineStart = m_begin;
        int line = 1;
        for (const char* p = m_begin; p < at; ++p) {
            if (*p == '\n') {
                ++line;
                lineStart = p + 1;
            }
        }
        throw CException("line " + std::to_string(line) + ", column " + std::to_string(at - lineStart + 1) +
                             ": " + message,
                         m_source);
    }

    void SkipBlanks()
    {
        while (m_p != m_end && (*m_p == ' ' || *m_p == '\t' || *m_p == '\n' || *m_p == '\r'))
            ++m_p;
    }

    static bool IsWordChar(char c)
    {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    }

    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

    std::string Describe(const char* at) const
    {
        if (at == m_end)
            return "the end of the text";
        const auto byte = static_cast<unsigned char>(*at);
        if (byte >= 0x20 && byte < 0x7f)
            return std::string("'") + *at + "'";
        char buffer[8];
        std::snprintf(buffer, sizeof buffer, "0x%02x", byte);
        return std::string("byte ") + buffer;
    }

    // Null only where null is allowed (an absent entry of a vector, the whole document).
    std::unique_ptr<CValue> ParseValue(bool nullAllowed)
    {
        SkipBlanks();
        if (m_p == m_end)
            Fail(m_p, "expected a value, found the end of the text");
        const char c = *m_p;
        if (c == '{')
            return ParseMap();
        if (c == '[')
            return ParseVector();
        if (c == '"')
            return std::make_unique<CValueString>(ParseString());
        if (c == '-' || IsDigit(c))
            return ParseNumber();
        if (IsWordChar(c)) {
            const char* start = m_p;
            while (m_p != m_end && IsWordChar(*m_p))
                ++m_p;
            const std::string word(start, m_p);
            if (word == "true" || word == "false")
                return std::make_unique<CValueBool>(word == "true");
            if (word == "nan")
                return std::make_unique<CValueDouble>(std::nan(""));
            if (word == "inf")
                return std::make_unique<CValueDouble>(HUGE_VAL);
            if (word == "null") {
                if (!nullAllowed)
                    Fail(start, "null is not allowed here");
                return nullptr;
            }
            Fail(start, "unknown word '" + serial::Shorten(word) + "'");
        }
        Fail(m_p, "expected a value, found " + Describe(m_p));
    }

    void Enter()
    {
        if (++m_depth > kMaxDepth)
            Fail(m_p, "nesting deeper than " + std::to_string(kMaxDepth) + " levels");
        ++m_p;
    }

    std::unique_ptr<CValue> ParseMap()
    {
        Enter();
        std::vector<std::pair<std::string, std::unique_ptr<CValue>>> entries;
        std::unordered_set<std::string> seen; // a null member counts: it was written
        SkipBlanks();
        if (m_p != m_end && *m_p == '}') {
            ++m_p;
        } else {
            for (;;) {
                SkipBlanks();
                if (m_p == m_end || *m_p != '"')
                    Fail(m_p, "expected a quoted key, found " + Describe(m_p));
                const char* keyAt = m_p;
                std::string key = ParseString();
                if (m_refuseDuplicateKeys && !seen.insert(key).second) {
                    std::string quoted;
                    AppendQuoted(quoted, key);
                    Fail(keyAt, "duplicate key " + quoted);
                }
                SkipBlanks();
                if (m_p == m_end || *m_p != ':')
                    Fail(m_p, "expected ':' after the key, found " + Describe(m_p));
                ++m_p;
                SkipBlanks();
                // A member that is null is absent.
                if (std::unique_ptr<CValue> value = ParseValue(true))
                    entries.emplace_back(std::move(key), std::move(value));
                SkipBlanks();
                if (m_p != m_end && *m_p == ',') {
                    ++m_p;
                    continue;
                }
                if (m_p != m_end && *m_p == '}') {
                    ++m_p;
                    break;
                }
                Fail(m_p, "expected ',' or '}', found " + Describe(m_p));
            }
        }
        --m_depth;

        if (entries.size() == 2) {
            const int metaAt = entries[0].first == kMetaKey ? 0 : entries[1].first == kMetaKey ? 1 : -1;
            if (metaAt >= 0 && entries[1 - metaAt].first == kValueKey &&
                entries[metaAt].second->GenericType() == GT_MAP) {
                std::unique_ptr<CValue> value = std::move(entries[1 - metaAt].second);
                const auto& meta = static_cast<const CValueMap&>(*entries[metaAt].second);
                if (!meta.Empty())
                    value->Meta().Copy(meta, COPY_NO_OWNERSHIP, true);
                return value;
            }
        }
        auto map = std::make_unique<CValueMap>();
        for (auto& entry : entries)
            map->SetNamedEntry(entry.first, entry.second.release());
        return map;
    }

    std::unique_ptr<CValue> ParseVector()
    {
        Enter();
        std::vector<std::unique_ptr<CValue>> entries;
        SkipBlanks();
        if (m_p != m_end && *m_p == ']') {
            ++m_p;
        } else {
            for (;;) {
                entries.push_back(ParseValue(true));
                SkipBlanks();
                if (m_p != m_end && *m_p == ',') {
                    ++m_p;
                    continue;
                }
                if (m_p != m_end && *m_p == ']') {
                    ++m_p;
                    break;
                }
                Fail(m_p, "expected ',' or ']', found " + Describe(m_p));
            }
        }
        --m_depth;
        auto vector = std::make_unique<CValueVector>(entries.size());
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (entries[i])
                vector->SetEntry(static_cast<int>(i), entries[i].release());
        }
        return vector;
    }

    int ParseHex4()
    {
        if (m_end - m_p < 4)
            Fail(m_p, "expected four hex digits after \\u");
        int code = 0;
        for (int i = 0; i < 4; ++i, ++m_p) {
            const char c = *m_p;
            code <<= 4;
            if (IsDigit(c))
                code |= c - '0';
            else if (c >= 'a' && c <= 'f')
                code |= c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                code |= c - 'A' + 10;
            else
                Fail(m_p, "expected a hex digit after \\u, found " + Describe(m_p));
        }
        return code;
    }

    static void AppendUtf8(std::string& out, unsigned code)
    {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    void SkipUtf8Sequence()
    {
        const std::size_t length = Utf8SequenceLength(m_p, m_end);
        if (length == 0)
            Fail(m_p, "invalid UTF-8 at byte offset " + std::to_string(m_p - m_begin));
        m_p += length;
    }

    std::string ParseString()
    {
        const char* start = m_p;
        ++m_p;
        std::string out;
        for (;;) {
            const char* run = m_p;
            while (m_p != m_end && *m_p != '"' && *m_p != '\\' && static_cast<unsigned char>(*m_p) >= 0x20) {
                if (static_cast<unsigned char>(*m_p) >= 0x80)
                    SkipUtf8Sequence();
                else
                    ++m_p;
            }
            out.append(run, m_p);
            if (m_p == m_end)
                Fail(start, "unterminated string");
            const char c = *m_p;
            if (c == '"') {
                ++m_p;
                return out;
            }
            if (c == '\n' || c == '\r')
                Fail(start, "unterminated string (a line break inside a string is written \\n)");
            if (c != '\\')
                Fail(m_p, "control character " + Describe(m_p) + " in a string (write it as an escape)");
            ++m_p;
            if (m_p == m_end)
                Fail(start, "unterminated string");
            const char escape = *m_p++;
            switch (escape) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                unsigned code = static_cast<unsigned>(ParseHex4());
                if (code >= 0xD800 && code < 0xDC00 && m_end - m_p >= 6 && m_p[0] == '\\' && m_p[1] == 'u') {
                    const char* save = m_p;
                    m_p += 2;
                    const unsigned low = static_cast<unsigned>(ParseHex4());
                    if (low >= 0xDC00 && low < 0xE000)
                        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                    else
                        m_p = save;
                }
                // A lone low surrogate from DC80 stands for a byte that was not UTF-8 (see AppendQuoted);
                // other lone surrogates are kept as their three-byte form rather than refused.
                if (code >= 0xDC80 && code <= 0xDCFF)
                    out += static_cast<char>(code & 0xFF);
                else
                    AppendUtf8(out, code);
                break;
            }
            default: Fail(m_p - 2, "invalid escape \\" + Describe(m_p - 1));
            }
        }
    }

    std::unique_ptr<CValue> ParseNumber()
    {
        const char* start = m_p;
        if (*m_p == '-') {
            ++m_p;
            if (m_p != m_end && *m_p == 'i') {
                const char* word = m_p;
                while (m_p != m_end && IsWordChar(*m_p))
                    ++m_p;
                if (std::string(word, m_p) != "inf")
                    Fail(start, "unknown word '" + serial::Shorten(std::string(start, m_p)) + "'");
                return std::make_unique<CValueDouble>(-HUGE_VAL);
            }
        }
        if (m_p == m_end || !IsDigit(*m_p))
            Fail(m_p, "expected a digit, found " + Describe(m_p));
        if (*m_p == '0') {
            ++m_p;
            if (m_p != m_end && IsDigit(*m_p))
                Fail(start, "a number must not start with 0");
        } else {
            while (m_p != m_end && IsDigit(*m_p))
                ++m_p;
        }
        bool isDouble = false;
        if (m_p != m_end && *m_p == '.') {
            isDouble = true;
            ++m_p;
            if (m_p == m_end || !IsDigit(*m_p))
                Fail(m_p, "expected a digit after '.', found " + Describe(m_p));
            while (m_p != m_end && IsDigit(*m_p))
                ++m_p;
        }
        if (m_p != m_end && (*m_p == 'e' || *m_p == 'E')) {
            isDouble = true;
            ++m_p;
            if (m_p != m_end && (*m_p == '+' || *m_p == '-'))
                ++m_p;
            if (m_p == m_end || !IsDigit(*m_p))
                Fail(m_p, "expected a digit in the exponent, found " + Describe(m_p));
            while (m_p != m_end && IsDigit(*m_p))
                ++m_p;
        }
        const std::string text(start, m_p);
        if (!isDouble) {
            int32_t value = 0;
            const auto result = std::from_chars(start, m_p, value);
            if (result.ec == std::errc() && result.ptr == m_p)
                return std::make_unique<CValueLong>(value);
            // Beyond the 32 bits of a long: read as a double below, as JSON readers do.
        }
        double value = 0.0;
        const auto result = std::from_chars(start, m_p, value);
        if (result.ec == std::errc::result_out_of_range) {
            // Too small to represent reads as zero (or the nearest subnormal); too large is an error.
            value = std::strtod(text.c_str(), nullptr);
            if (std::isinf(value))
                Fail(start, "the number " + serial::Shorten(text) + " is outside the range of a double");
        } else if (result.ec != std::errc() || result.ptr != m_p) {
            Fail(start, "invalid number " + serial::Shorten(text));
        }
        return std::make_unique<CValueDouble>(value);
    }

    const char* m_begin;
    const char* m_p;
    const char* m_end;
    std::string m_source;
    bool m_refuseDuplicateKeys;
    int m_depth = 0;
};

} // namespace

CTextSerializer::CTextSerializer(bool writeMeta, bool compact, const char* name)
    : CSerializer(writeMeta, compact, name)
{
}

void CTextSerializer::Serialize(const CValue& value, std::ostream& out) const
{
    Writer writer(*this);
    const std::string text = Compact() ? writer.Compact(value) : writer.Pretty(value);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out)
        throw CExIo("writing the text failed", serial::SourceOf(*this, "CTextSerializer"));
}

CValue* CTextSerializer::Deserialize(const char* text, std::size_t length) const
{
    if (!text && length)
        throw CException("no text to read", serial::SourceOf(*this, "CTextSerializer"));
    static const char empty[] = "";
    Parser parser(text ? text : empty, length, serial::SourceOf(*this, "CTextSerializer"),
                  RefusesDuplicateKeys());
    return parser.Parse();
}

} // namespace KORA
