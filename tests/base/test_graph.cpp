
#include <regex>

#include "graphfixtures.h"
#include "ostrel/ostrel.h"

using namespace KORA;
using graphtest::GraphText;
using OstrelGraph::Graph;

namespace {

std::string LoadError(CValueMap& map)
{
    return testsupport::ErrorOf([&] { delete Graph::LoadFromMap(map); }, true);
}

std::string ErrorOf(Graph& graph)
{
    return testsupport::ErrorOf([&] { graph.CheckError(); }, true);
}

// A graph of the description, fed one long and executed.
std::unique_ptr<Graph> Executed(GraphText& description)
{
    auto graph = graphtest::Loaded(description);
    graph->Execute();
    return graph;
}

} // namespace

TEST(Graph, ValuesTravelAsSharedHandles)
{
    GraphText description = graphtest::Fork();
    std::unique_ptr<Graph> graph(Graph::LoadFromMap(description.Map()));
    auto* input = new CValueString("payload");
    graph->SetInpinData(0, input);
    graph->Execute();
    graph->CheckError();
    // Both outputs are the very value that went in: nothing was copied on the way.
    EXPECT_EQ(graph->GetOutpinData(0), input);
    EXPECT_EQ(graph->GetOutpinData(1), input);

    // Inputs stay until replaced.
    graph->Execute();
    EXPECT_EQ(graph->GetOutpinData(0), input);
}

TEST(Graph, RefusesBadDescriptionsNamingNodeAndProblem)
{
    struct Case
    {
        const char* name;
        std::function<void(GraphText&)> spoil;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"unknown entry", [](GraphText& s) { s.Node("b", "Nope"); }, {"node 'b'", "'Nope'"}},
        {"unknown library",
         [](GraphText& s) { s.Map().SetEntry("nodes/b/plugin", new CValueString("%KORADIR%/bin/zzz::Echo")); },
         {"node 'b'", "not found"}},
        {"unknown node", [](GraphText& s) { s.Edge("zz:0 -> c:0"); }, {"'zz:0 -> c:0'", "unknown node 'zz'"}},
        {"unknown pin", [](GraphText& s) { s.Output("x", "b:3"); }, {"node 'b'", "no output pin '3'"}},
        {"unknown pin name", [](GraphText& s) { s.Input("y", {"c:image"}); }, {"node 'c'", "no input pin 'image'"}},
        {"fed twice", [](GraphText& s) { s.Input("y", {"c:0"}); }, {"node 'c'", "fed twice"}},
        {"unconnected", [](GraphText& s) { s.Node("d", "Echo"); }, {"node 'd'", "not connected"}},
        {"cycle",
         [](GraphText& s) { s.Node("d", "Echo").Node("e", "Echo").Edge("d:0 -> e:0").Edge("e:0 -> d:0"); },
         {"node 'd'", "cycle", "'e'"}},
        {"malformed edge", [](GraphText& s) { s.Edge("a:0 => c:0"); }, {"'a:0 => c:0'", "not of the form"}},
        {"edge without pin", [](GraphText& s) { s.Edge("a -> c:0"); }, {"'a'", "<node>:<pin>"}},
        {"parameter kind", [](GraphText& s) { s.Param("b", "ms", new CValueString("soon")); },
         {"node 'b'", "parameter 'ms'", "expects a long"}},
        {"no nodes", [](GraphText& s) { s.Map().RemoveEntry("nodes"); }, {"\"nodes\""}},
    };
    for (const Case& c : cases) {
        GraphText description = graphtest::Fork("Delay");
        c.spoil(description);
        const std::string message = LoadError(description.Map());
        EXPECT_EQ(message.rfind("graph map: ", 0), 0u) << c.name << ": " << message;
        testsupport::ExpectWords(message, c.expected, c.name);
    }
}

// What a file says and its nodes would not hear is refused at the load, naming file, node and key.
TEST(Graph, FilesAreHeldToTheirNodesAndParameters)
{
    struct Case
    {
        const char* name;
        std::function<void(GraphText&)> spoil;
        std::vector<std::string> expected; // empty: the graph loads
    };
    const Case cases[] = {
        {"undeclared", [](GraphText& s) { s.Param("b", "mss", new CValueLong(5)); },
         {"node 'b': unknown parameter 'mss'; did you mean 'ms'?"}},
        {"undeclared, nothing close", [](GraphText& s) { s.Param("b", "zzzzz", new CValueLong(5)); },
         {"node 'b': unknown parameter 'zzzzz'"}},
        {"missing reference", [](GraphText& s) { s.Param("b", "ms", new CValueString("$advanced/wiat")); },
         {"node 'b'", "parameter 'ms' refers to '$advanced/wiat'", "did you mean 'advanced/wait'?"}},
        {"nested reference, run-time paths and literals",
         [](GraphText& s) {
             s.Param("b", "ms", new CValueString("$advanced/wait")).Param("b", "poll", new CValueString("$__graph/p"));
             s.Node("f", "Fail").Input("more", {"f:0"}).Param("f", "message", new CValueString("$$gone"));
             s.Node("g", "Fail").Input("again", {"g:0"}).Param("g", "message", new CValueString("$__parent/name"));
         },
         {}},
    };
    for (const Case& c : cases) {
        GraphText description = graphtest::Fork("Delay");
        description.GraphParam("advanced/wait", new CValueLong(1));
        c.spoil(description);
        const std::string message = LoadError(description.Map());
        if (c.expected.empty()) {
            EXPECT_EQ(message, "") << c.name;
            continue;
        }
        testsupport::ExpectWords(message, c.expected, c.name);
        if (std::string(c.name).find("nothing close") != std::string::npos) {
            EXPECT_EQ(message.find("did you mean"), std::string::npos) << message;
        }
    }

    // A node named twice would otherwise be the last one silently, in either file form; an undeclared
    // parameter in the XML form is refused like in the text form.
    GraphText description = graphtest::Fork("Delay");
    description.Param("b", "mss", new CValueLong(5));
    const auto folder = std::filesystem::temp_directory_path();
    const std::string text = CTextSerializer().ToString(description.Map());
    const std::string xml = CXmlSerializer2().ToString(description.Map());
    struct File
    {
        const char* name;
        std::string content;
        const char* expected;
    };
    const File files[] = {
        {"twice.ogr", std::regex_replace(text, std::regex("\"c\": "), "\"b\": "), "duplicate key \"b\""},
        {"twice.xml", std::regex_replace(xml, std::regex("key=\"c\""), "key=\"b\""), "duplicate key \"b\""},
        {"undeclared.xml", xml, "node 'b': unknown parameter 'mss'"},
    };
    for (const File& f : files) {
        const std::string path = (folder / f.name).string();
        std::ofstream(path) << f.content;
        const std::string message = testsupport::ErrorOf([&] { delete Graph::LoadFromFile(path.c_str()); }, true);
        std::filesystem::remove(path);
        testsupport::ExpectWords(message, {path + ": ", f.expected}, f.name);
    }
}

TEST(Graph, ReferencesFollowTheParameterMap)
{
    GraphText description;
    description.Node("a", "Echo").Node("w", "Delay").Node("f", "Fail");
    description.Param("f", "message", new CValueString("$text")).Param("w", "ms", new CValueString("$wait"));
    description.Edge("a:0 -> w:0").Edge("a:0 -> f:0").Input("in", {"a:0"}).Output("out", "w:0");
    description.GraphParam("text", new CValueString("first")).GraphParam("wait", new CValueDouble(1.0));
    auto graph = Executed(description);
    EXPECT_NE(ErrorOf(*graph).find("first"), std::string::npos);
    EXPECT_EQ(ErrorOf(*graph), "") << "an error is thrown once";

    graph->Parameters().SetEntry("text", new CValueString("$$literal"));
    graph->Execute();
    EXPECT_NE(ErrorOf(*graph).find(": $$literal"), std::string::npos) << "a value read through a reference stays";

    struct Case
    {
        const char* key;
        CValue* value; // null removes the key
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"text", nullptr, {"node 'f'", "parameter 'message'", "'$text'"}},
        {"wait", new CValueString("later"), {"node 'w'", "parameter 'ms'", "expects a long, got a string"}},
    };
    for (const Case& c : cases) {
        auto g = graphtest::Loaded(description);
        if (c.value)
            g->Parameters().SetEntry(c.key, c.value);
        else
            g->Parameters().RemoveEntry(c.key);
        g->Execute();
        testsupport::ExpectWords(ErrorOf(*g), c.expected, c.key);
    }
}

TEST(Graph, DoubleDollarIsALiteral)
{
    GraphText description;
    description.Node("f", "Fail").Param("f", "message", new CValueString("$$5 please")).Input("in", {"f:0"});
    EXPECT_EQ(ErrorOf(*Executed(description)), "node 'f' (testing::Fail): $5 please");
}

TEST(Graph, FailureStopsLaterNodesAndIsReportedOnce)
{
    GraphText description;
    description.Node("a", "Echo").Node("f", "Fail").Node("after", "Echo");
    description.Edge("a:0 -> f:0").Edge("f:0 -> after:0").Input("in", {"a:0"});
    description.Output("early", "a:0").Output("late", "after:0");
    auto graph = Executed(description);
    EXPECT_NE(graph->GetOutpinData(0), nullptr);
    EXPECT_EQ(graph->GetOutpinData(1), nullptr);
    EXPECT_EQ(ErrorOf(*graph), "node 'f' (testing::Fail): failure requested");
    EXPECT_NO_THROW(graph->CheckError());
}

TEST(Graph, LoadsTextAndXmlFiles)
{
    GraphText description = graphtest::Fork();
    description.Map().SetEntry("name", new CValueString("fork"));
    const auto folder = std::filesystem::temp_directory_path();
    const std::pair<std::string, std::unique_ptr<CSerializer>> formats[] = {
        {"fork.ogr", std::make_unique<CTextSerializer>()},
        {"fork.xml", std::make_unique<CXmlSerializer2>()},
    };
    for (const auto& [file, serializer] : formats) {
        const std::string path = (folder / file).string();
        std::ofstream(path) << "\n  " << serializer->ToString(description.Map());
        std::unique_ptr<Graph> graph(Graph::LoadFromFile(path.c_str()));
        EXPECT_EQ(graph->MainGraphFilename(), path);
        std::filesystem::remove(path);
    }

    const std::string broken = (folder / "broken.ogr").string();
    std::ofstream(broken) << "{\"nodes\": {\"a\": {\"plugin\": \"%KORADIR%/bin/testing::Echo\"}}}";
    EXPECT_EQ(testsupport::ErrorOf([&] { delete Graph::LoadFromFile(broken.c_str()); }, true),
              broken + ": node 'a': input pin 'in' is not connected");
    std::filesystem::remove(broken);
    EXPECT_THROW(delete Graph::LoadFromFile((folder / "missing.ogr").string().c_str()), CExIo);
}
