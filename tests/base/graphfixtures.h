#pragma once
#include "ostrel/ostrel.h"
#include "testsupport.h"
// Graph descriptions built in code for the engine's tests, over the testing plug-in.

namespace graphtest {

inline std::string TestingPlugin(const std::string& entry)
{
    return "%KORADIR%/bin/testing::" + entry;
}

// A graph map written step by step; Map() is the description.
class GraphText
{
public:
    GraphText()
    {
        m_map->SetEntry("nodes", new KORA::CValueMap());
        m_map->SetEntry("edges", new KORA::CValueVector());
        m_map->SetEntry("inputs", new KORA::CValueVector());
        m_map->SetEntry("outputs", new KORA::CValueVector());
        m_map->SetEntry("parameters", new KORA::CValueMap());
    }

    GraphText& Node(const std::string& name, const std::string& entry)
    {
        m_map->SetEntry("nodes/" + name + "/plugin", new KORA::CValueString(TestingPlugin(entry)));
        return *this;
    }
    GraphText& Param(const std::string& node, const std::string& key, KORA::CValue* value)
    {
        m_map->SetEntry("nodes/" + node + "/parameters/" + key, value);
        return *this;
    }
    GraphText& Edge(const std::string& text)
    {
        static_cast<KORA::CValueVector&>(m_map->Entry("edges")).Append(new KORA::CValueString(text));
        return *this;
    }
    GraphText& Input(const std::string& name, std::initializer_list<const char*> targets)
    {
        auto* port = new KORA::CValueMap();
        port->SetEntry("name", new KORA::CValueString(name));
        auto* to = new KORA::CValueVector();
        for (const char* target : targets)
            to->Append(new KORA::CValueString(target));
        port->SetEntry("to", to);
        static_cast<KORA::CValueVector&>(m_map->Entry("inputs")).Append(port);
        return *this;
    }
    GraphText& Output(const std::string& name, const std::string& from)
    {
        auto* port = new KORA::CValueMap();
        port->SetEntry("name", new KORA::CValueString(name));
        port->SetEntry("from", new KORA::CValueString(from));
        static_cast<KORA::CValueVector&>(m_map->Entry("outputs")).Append(port);
        return *this;
    }
    GraphText& GraphParam(const std::string& key, KORA::CValue* value)
    {
        m_map->SetEntry("parameters/" + key, value);
        return *this;
    }

    KORA::CValueMap& Map() { return *m_map; }

private:
    std::unique_ptr<KORA::CValueMap> m_map = std::make_unique<KORA::CValueMap>();
};

// The graph of the description, its first input fed one long.
inline std::unique_ptr<OstrelGraph::Graph> Loaded(GraphText& description, OstrelGraph::ThreadScheduler* scheduler = nullptr)
{
    std::unique_ptr<OstrelGraph::Graph> graph(OstrelGraph::Graph::LoadFromMap(description.Map(), scheduler));
    graph->SetInpinData(0, new KORA::CValueLong(1));
    return graph;
}

// in -> a -> {b, c}: one value reaching two outputs through a shared node.
inline GraphText Fork(const char* middle = "Echo")
{
    GraphText description;
    description.Node("a", "Echo").Node("b", middle).Node("c", "Echo");
    description.Edge("a:0 -> b:0").Edge("a:out -> c:in");
    description.Input("image", {"a:0"}).Output("left", "b:0").Output("right", "c:0");
    return description;
}

} // namespace graphtest
