// Serializers: exact round trips, the text layout, and errors that say where the text is wrong.

#include "testsupport.h"

using namespace KORA;

namespace {

const std::vector<std::string> kAwkwardStrings = {
    "", "say \"hi\"", "back\\slash", "two\nlines\r\n", "\ttabbed\t", "  padded  ", "   ",
    "gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC \xF0\x9F\x98\x80", std::string("nul\0inside", 10), "\x01\x1f\x7f",
    "<tag> & ]]> 'quote'", "\xFF\xFE not utf-8", "\\x41 looks like an escape"};

const std::vector<double> kAwkwardDoubles = {2.0, 1e-300, -0.0, std::nan(""), HUGE_VAL, -HUGE_VAL, 0.1,
                                             1e308, 5e-324, 123456.789};

std::unique_ptr<CValue> Sample()
{
    auto root = std::make_unique<CValueMap>();
    root->SetEntry("sigma", new CValueDouble(2.0));
    root->SetEntry("min", new CValueLong(INT32_MIN));
    root->SetEntry("max", new CValueLong(INT32_MAX));
    root->SetEntry("on", new CValueBool(true));
    auto* doubles = new CValueVector;
    for (double d : kAwkwardDoubles)
        doubles->Append(new CValueDouble(d));
    root->SetEntry("doubles", doubles);
    auto* strings = new CValueVector;
    for (const std::string& s : kAwkwardStrings)
        strings->Append(new CValueString(s));
    root->SetEntry("strings", strings);
    auto* gaps = new CValueVector(5); // absent entries, a trailing one included
    gaps->SetEntry(1, new CValueLong(1));
    gaps->SetEntry(3, new CValueMap);
    root->SetEntry("gaps", gaps);
    root->SetEntry("empty/map", new CValueMap);
    root->SetEntry("empty/vector", new CValueVector);
    root->SetNamedEntry("", new CValueMap); // names that are no paths (a fuzzer found the empty one)
    root->SetNamedEntry("a/b", new CValueLong(1));
    root->SetEntry("nested/deeper/list", new CValueVector);
    root->Entry("nested/deeper/list").SetEntry(0, new CValueString("x"));
    root->Entry("sigma").Meta().SetEntry("gui", new CValueString("slider"));
    root->Entry("gaps").Meta().SetEntry("unused", new CValueBool(true));
    root->Meta().SetEntry("val/enValues", new CValueVector(2));
    root->Meta().Entry("val").Meta().SetEntry("note", new CValueString("meta of meta"));
    return root;
}

struct Format
{
    const char* name;
    std::shared_ptr<CSerializer> serializer;
};

std::vector<Format> Formats()
{
    return {{"text", std::make_shared<CTextSerializer>()},
            {"text compact", std::make_shared<CTextSerializer>(true, true)},
            {"xml", std::make_shared<CXmlSerializer2>()},
            {"xml compact", std::make_shared<CXmlSerializer2>(true, true)}};
}

std::string ReadError(const CSerializer& serializer, const std::string& text)
{
    return testsupport::ErrorOf([&] { delete serializer.Deserialize(text); });
}

} // namespace

TEST(Serializers, NestedValuesComeBackEqualInEveryFormat)
{
    const std::unique_ptr<CValue> sample = Sample();
    for (const Format& format : Formats()) {
        SCOPED_TRACE(format.name);
        const std::string text = format.serializer->ToString(*sample);
        std::unique_ptr<CValue> back(format.serializer->Deserialize(text));
        ASSERT_TRUE(back->Equal(*sample)) << text;
        EXPECT_EQ(format.serializer->ToString(*back), text);
        EXPECT_TRUE(std::signbit(back->EntryDouble("doubles/2")));
    }
}

TEST(Serializers, MetaDataIsLeftOutOnRequestAndSmartValuesWriteWhatTheyHold)
{
    auto held = std::make_unique<CValueMap>();
    held->SetEntry("a", new CValueLong(1));
    held->Meta().SetEntry("unused", new CValueBool(true));
    const CValueSmart smart(held->Clone());
    for (const auto& serializer :
         std::vector<std::shared_ptr<CSerializer>>{std::make_shared<CTextSerializer>(false),
                                                   std::make_shared<CXmlSerializer2>(false)}) {
        const std::string text = serializer->ToString(smart);
        EXPECT_EQ(text.find("meta"), std::string::npos) << text;
        std::unique_ptr<CValue> back(serializer->Deserialize(text));
        EXPECT_TRUE(back->EqualData(*held));
        EXPECT_FALSE(back->HasMeta());
    }
    EXPECT_EQ(CTextSerializer().ToString(smart), R"({"$meta": {"unused": true}, "$value": {"a": 1}})");
}

TEST(TextSerializer, DoublesAreShortestAndAlwaysLookLikeDoubles)
{
    const std::vector<std::pair<double, std::string>> rows = {
        {2.0, "2.0"}, {1e-300, "1e-300"}, {-0.0, "-0.0"}, {std::nan(""), "nan"}, {HUGE_VAL, "inf"},
        {-HUGE_VAL, "-inf"}, {0.1, "0.1"}, {1e308, "1e+308"}, {100.0, "100.0"}};
    const CTextSerializer text;
    for (const auto& [value, expected] : rows) {
        EXPECT_EQ(text.ToString(CValueDouble(value)), expected);
        std::unique_ptr<CValue> back(text.Deserialize(expected));
        ASSERT_EQ(back->GenericType(), GT_DOUBLE) << expected;
        EXPECT_TRUE(back->Equal(CValueDouble(value))) << expected;
    }
}

TEST(TextSerializer, ReadsIntegersAsLongsAndOtherNumbersAsDoubles)
{
    const std::vector<std::pair<std::string, int>> rows = {
        {"-2147483648", GT_LONG}, {"2147483647", GT_LONG}, {"5.0", GT_DOUBLE}, {"-1E-3", GT_DOUBLE},
        {" -inf ", GT_DOUBLE}, {"[]", GT_VECTOR}, {"{}", GT_MAP}, {"false", GT_BOOL}};
    const CTextSerializer text;
    for (const auto& [input, kind] : rows) {
        std::unique_ptr<CValue> value(text.Deserialize(input));
        EXPECT_EQ(value->GenericType(), kind) << input;
    }
    std::unique_ptr<CValue> escaped(text.Deserialize("\"\\u00fc\\ud83d\\ude00\\n\""));
    EXPECT_EQ(static_cast<CValueString&>(*escaped).Value(), "\xC3\xBC\xF0\x9F\x98\x80\n");
}

// Representative documents of the standard JSON test suite: what every reader must take (y) and what it
// must refuse (n), with what the value became.
TEST(TextSerializer, ReadsEveryJsonDocumentAndRefusesWhatIsNotJson)
{
    const std::vector<std::pair<std::string, std::string>> accepted = {
        {R"({"":0})", R"({"": 0})"},
        {R"({"a":null,"b":1})", R"({"b": 1})"},
        {"null", "<none>"},
        {R"([null])", "[null]"},
        {R"({"a/b":1})", R"({"a/b": 1})"},
        {"2147483648", "2147483648.0"},
        {"-99999999999999999999", "-1e+20"},
        {R"({"a":"b","a":"c"})", R"({"a": "c"})"},
        {"\"\xE2\x82\xAC\xF0\x9D\x84\x9E\"", "\"\xE2\x82\xAC\xF0\x9D\x84\x9E\""},
        {" [1e-400] ", "[0.0]"},
    };
    const CTextSerializer text(true, true);
    for (const auto& [input, expected] : accepted) {
        std::unique_ptr<CValue> value(text.Deserialize(input));
        EXPECT_EQ(value ? text.ToString(*value) : "<none>", expected) << input;
    }
    const std::vector<std::pair<std::string, std::string>> refused = {
        {"[1,]", "column 4"},          {"[NaN]", "NaN"},           {"{\"a\" 1}", "':'"},
        {"[\"\xC3\"]", "byte offset 2"}, {"[\"\xED\xA0\x80\"]", "byte offset 2"}, {"\"\xC0\xAF\"", "byte offset 1"},
        {"\"\xF4\x90\x80\x80\"", "byte offset 1"}, {"[01]", "start with 0"}, {"", "end of the text"},
    };
    for (const auto& [input, words] : refused) {
        const std::string message = ReadError(text, input);
        EXPECT_NE(message.find(words), std::string::npos) << input << ": " << message;
    }
}

TEST(TextSerializer, ContainersShareALineOnlyWhenItFitsIn80Columns)
{
    CValueMap root;
    root.SetEntry("short", new CValueVector(2));
    root.SetEntry("long", new CValueVector(20));
    const std::string text = CTextSerializer().ToString(root);
    EXPECT_EQ(text.rfind("{\n  \"short\": [null, null],\n  \"long\": [\n    null,\n    null,\n", 0), 0u) << text;
    EXPECT_EQ(CTextSerializer(true, true).ToString(root).find('\n'), std::string::npos);
    CValueMap edge;
    edge.SetEntry("k", new CValueString(std::string(71, 'x')));
    EXPECT_EQ(CTextSerializer().ToString(edge).size(), 80u);
    edge.SetEntry("k", new CValueString(std::string(72, 'x')));
    EXPECT_EQ(CTextSerializer().ToString(edge), "{\n  \"k\": \"" + std::string(72, 'x') + "\"\n}");
}

TEST(TextSerializer, MalformedTextNamesLineAndColumn)
{
    const std::vector<std::tuple<const char*, std::string, const char*>> rows = {
        {"unterminated string", "{\n  \"a\": \"abc\n}", "line 2, column 8"},
        {"trailing comma in a map", "{\"a\": 1,\n}", "line 2, column 1"},
        {"bare word", "[true, yes]", "line 1, column 8"},
        {"deep nesting", std::string(300, '[') + std::string(300, ']'), "line 1, column 257"},
        {"garbage after the value", "{}\n\n  x", "line 3, column 3"},
        {"empty text", "  ", "line 1, column 3"},
        {"raw control character", "\"a\tb\"", "line 1, column 3"},
        {"leading zero", "007", "line 1, column 1"}};
    const CTextSerializer text(true, false, "params.txt");
    for (const auto& [what, input, where] : rows) {
        const std::string message = testsupport::ErrorOf([&, &input = input] { delete text.Deserialize(input); }, true);
        EXPECT_EQ(message.rfind("params.txt: ", 0), 0u) << what << ": " << message;
        EXPECT_NE(message.find(where), std::string::npos) << what << ": " << message;
    }

    // The deepest nesting that is allowed still comes back the same.
    const std::string deepest = std::string(256, '[') + std::string(256, ']');
    std::unique_ptr<CValue> value(text.Deserialize(deepest));
    EXPECT_EQ(CTextSerializer(true, true).ToString(*value), deepest);
    std::unique_ptr<CValue> viaXml(CXmlSerializer2().Deserialize(CXmlSerializer2().ToString(*value)));
    EXPECT_TRUE(viaXml->Equal(*value));
}

TEST(XmlSerializer, WritesTheEditableForm)
{
    std::unique_ptr<CValue> root(CTextSerializer().Deserialize(
        R"({"sigma": 2.0, "min_area": 20, "method": "otsu", "invert": false, "weights": [0.5, 0.5], "advanced": {}})"));
    root->SetEntry("advanced/gaps", new CValueVector(2));
    root->Entry("advanced").Meta().SetEntry("unused", new CValueBool(true));
    std::ifstream expected(std::string(std::getenv("VORNE_SOURCE_DIR")) + "/tests/data/editable.xml");
    EXPECT_EQ(CXmlSerializer2().ToString(*root), std::string(std::istreambuf_iterator<char>(expected), {}));

    const std::string awkward = CXmlSerializer2().ToString(CValueString(std::string("a\0b", 3)));
    EXPECT_NE(awkward.find("escaped=\"true\""), std::string::npos) << awkward;
}

TEST(XmlSerializer, BadDocumentsNameTheLine)
{
    const std::vector<std::pair<std::string, const char*>> rows = {
        {"<map>\n  <long key=\"a\">1</long>", "line 2"},
        {"<map>\n  <float key=\"a\">1</float>\n</map>", "line 2"},
        {"<map>\n\n  <long key=\"a\">abc</long>\n</map>", "line 3"},
        {"<vector>\n  <long>3000000000</long>\n</vector>", "line 2"},
        {"<map>\n  <long>1</long>\n</map>", "line 2"},
        {"<map>\n  <bool key=\"b\">yes</bool>\n</map>", "line 2"},
        {"<null/>", "line 1"},
        {"<map>\n  oops\n</map>", "line 1"},
        {"<map/>\n<map/>", "line 2"},
        {"", "line 1"},
        {"  \n ", "line 2"}};
    std::string deep;
    for (int i = 0; i < 600; ++i)
        deep += i < 300 ? "<vector>" : "</vector>";
    const CXmlSerializer2 xml;
    for (const auto& [text, where] : rows) {
        const std::string message = ReadError(xml, text);
        EXPECT_NE(message.find(where), std::string::npos) << text << " -> " << message;
    }
    EXPECT_NE(ReadError(xml, deep).find("256"), std::string::npos);
}

TEST(Serializers, PointerValuesCannotBeWritten)
{
    int numbers[2] = {1, 2};
    CValueMap root;
    root.SetEntry("buffer", new CValuePointer<int>(numbers, 2));
    for (const Format& format : Formats())
        EXPECT_NE(testsupport::ErrorOf([&] { format.serializer->ToString(root); }).find("pointer to int"), std::string::npos);
}

TEST(Serializers, DeserializeStringCopiesIntoTargetOfTheSameKind)
{
    CValueMap target;
    target.SetEntry("old", new CValueLong(1));
    DeserializeString(target, "{\"new\": 2}", CTextSerializer());
    EXPECT_FALSE(target.HasEntry("old"));
    EXPECT_EQ(target.EntryLong("new"), 2);

    EXPECT_THROW(DeserializeString(target, "[1]", CTextSerializer()), CExBadType);
    EXPECT_EQ(target.EntryLong("new"), 2);
}
