#include "graphbuilder.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "kora/serializer.h"
#include "kora/string.h"
#include "parameterbinding.h"

namespace OstrelGraph {
namespace detail {

using namespace KORA;

namespace {

// A graph file is small; anything larger is not a graph and must not be read into memory.
constexpr std::size_t kMaxGraphFileBytes = 64u << 20;

struct PinRef
{
    std::size_t node;
    std::size_t pin;
};

std::string Trim(const std::string& text)
{
    std::size_t begin = 0, end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin])))
        ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1])))
        --end;
    return text.substr(begin, end - begin);
}

std::vector<std::string> PinNames(const CValueMap& setup, const char* key)
{
    std::vector<std::string> names;
    const CValue* pins = Unwrap(setup.FindEntry(key));
    if (pins && pins->GenericType() == GT_MAP)
        names = static_cast<const CValueMap*>(pins)->Keys();
    return names;
}

// Every key path of the map ("advanced", "advanced/sigma"), for "did you mean".
void CollectKeyPaths(const CValueMap& map, const std::string& prefix, std::vector<std::string>& paths)
{
    for (std::size_t i = 0; i < map.Size(); ++i) {
        const std::string path = prefix + map.KeyAt(i);
        paths.push_back(path);
        if (const CValue* inner = Unwrap(map.ValueAt(i)); inner && inner->GenericType() == GT_MAP)
            CollectKeyPaths(*static_cast<const CValueMap*>(inner), path + "/", paths);
    }
}

std::string Hint(const std::string& name, const std::vector<std::string>& candidates)
{
    const std::string closest = CStringTools::Closest(name, candidates);
    return closest.empty() ? std::string() : "; did you mean '" + closest + "'?";
}

// The first written key path the node does not declare. A declared map with no entries takes any
// keys; one with entries is checked key by key.
std::string Undeclared(const CValueMap& written, const CValueMap& declared, const std::string& prefix)
{
    for (std::size_t i = 0; i < written.Size(); ++i) {
        const std::string path = prefix + written.KeyAt(i);
        const CValue* known = Unwrap(declared.FindEntry(written.KeyAt(i)));
        if (!known)
            return path;
        const CValue* value = Unwrap(written.ValueAt(i));
        if (value && value->GenericType() == GT_MAP && known->GenericType() == GT_MAP &&
            static_cast<const CValueMap*>(known)->Size() > 0) {
            const std::string inner = Undeclared(*static_cast<const CValueMap*>(value),
                                                 *static_cast<const CValueMap*>(known), path + "/");
            if (!inner.empty())
                return inner;
        }
    }
    return std::string();
}

// Filled in by the host at each execution, so absent when the file is loaded.
bool PublishedAtExecution(const std::string& path)
{
    return path.rfind("__parent/", 0) == 0 || path.rfind("__graph/", 0) == 0;
}

class Builder
{
public:
    Builder(const CValueMap& map, std::string origin, bool verbose)
        : m_map(map), m_model(std::make_unique<GraphModel>()), m_verbose(verbose)
    {
        m_model->origin = std::move(origin);
    }

    std::unique_ptr<GraphModel> Build()
    {
        m_model->name = m_map.EntryString("name");
        m_model->description = m_map.EntryString("description");
        if (const CValue* parameters = Unwrap(m_map.FindEntry("parameters"))) {
            if (parameters->GenericType() != GT_MAP)
                Fail("\"parameters\" must be a map");
            m_model->parameters.Copy(*parameters, COPY_SHARE_POINTER, false);
        }
        CreateNodes();
        ReadEdges();
        ReadInputs();
        ReadOutputs();
        CheckConnected();
        Order();
        m_model->ClearResults();
        return std::move(m_model);
    }

private:
    [[noreturn]] void Fail(const std::string& problem) const { throw CException(problem, m_model->origin); }

    const CValue& Section(const char* key, int kind, bool required) const
    {
        static const CValueVector emptyVector;
        const CValue* section = Unwrap(m_map.FindEntry(key));
        if (!section) {
            if (required)
                Fail(std::string("the description has no \"") + key + "\"");
            return emptyVector;
        }
        if (section->GenericType() != kind)
            Fail(std::string("\"") + key + "\" must be a " + GenericTypeName(kind));
        return *section;
    }

    void CreateNodes()
    {
        const auto& nodes = static_cast<const CValueMap&>(Section("nodes", GT_MAP, true));
        for (std::size_t i = 0; i < nodes.Size(); ++i)
            CreateNode(nodes.KeyAt(i), Unwrap(nodes.ValueAt(i)));
    }

    void CreateNode(const std::string& name, const CValue* entry)
    {
        const std::string who = "node '" + name + "': ";
        if (!entry || entry->GenericType() != GT_MAP)
            Fail(who + "must be a map with a \"plugin\"");
        const CValue* plugin = Unwrap(entry->FindEntry("plugin"));
        if (!plugin || plugin->GenericType() != GT_STRING)
            Fail(who + "has no \"plugin\" string");
        const CValue* written = Unwrap(entry->FindEntry("parameters"));
        if (written && written->GenericType() != GT_MAP)
            Fail(who + "\"parameters\" must be a map");

        GraphNode node;
        node.name = name;
        node.plugin = static_cast<const CValueString*>(plugin)->Value();
        try {
            std::unique_ptr<IPluginObject> object(GetPluginObject(name.c_str(), node.plugin.c_str(), nullptr));
            auto* processing = dynamic_cast<CPNode*>(object.get());
            if (!processing)
                Fail(who + "'" + node.plugin + "' is not a processing node");
            object.release();
            node.object.reset(processing);
        } catch (const CException& e) {
            if (e.Source() == m_model->origin)
                throw;
            Fail(who + e.FormattedWhat());
        }
        GraphNode& added = m_model->AddNode(std::move(node));
        const std::size_t index = m_model->nodes.size() - 1;
        const std::string description = m_model->DescribeNode(index);
        try {
            CValueMap setup;
            added.object->GetPluginSetup(setup);
            added.inpins = PinNames(setup, "inputs");
            added.outpins = PinNames(setup, "outputs");
            added.defaults = std::make_unique<CValueMap>();
            if (const CValue* defaults = Unwrap(setup.FindEntry("parameters")); defaults && defaults->GenericType() == GT_MAP)
                added.defaults->Copy(*defaults, COPY_SHARE_POINTER, false);
            added.fixed = std::make_unique<CValueMap>();
            if (written) {
                const auto& given = *static_cast<const CValueMap*>(written);
                // Only a file is held to the declaration: hosts and viewers may hand a node extra keys.
                if (const std::string key = Undeclared(given, *added.defaults, std::string()); !key.empty()) {
                    std::vector<std::string> declared;
                    CollectKeyPaths(*added.defaults, std::string(), declared);
                    Fail(who + "unknown parameter '" + key + "'" + Hint(key, declared));
                }
                ParameterBinding::Split(given, *added.defaults, description, *added.fixed, added.references);
                CheckReferences(added, who);
            }
            // Only "__parent/" and "__graph/" references can still be missing: the host fills them per execution.
            const auto initial = ParameterBinding::Resolve(added, m_model->parameters, description, true);
            added.object->Init(initial.get());
        } catch (const CException& e) {
            if (e.Source() == m_model->origin)
                throw;
            Fail(who + e.what());
        }
        added.sources.resize(added.inpins.size());
        if (m_verbose)
            std::cout << "graph " << m_model->origin << ": " << description << ", " << added.inpins.size()
                      << " input(s), " << added.outpins.size() << " output(s)\n";
    }

    // A "$path" must name an entry of the file's parameters, so that a typo fails the load instead of
    // every execution.
    void CheckReferences(const GraphNode& node, const std::string& who) const
    {
        for (const ParameterReference& reference : node.references) {
            if (PublishedAtExecution(reference.path) ||
                (!reference.path.empty() && m_model->parameters.FindEntry(reference.path)))
                continue;
            std::vector<std::string> paths;
            CollectKeyPaths(m_model->parameters, std::string(), paths);
            Fail(who + "parameter '" + reference.key + "' refers to '$" + reference.path +
                 "', which the graph's parameters do not hold" + Hint(reference.path, paths));
        }
    }

    // "node:pin", the pin by number or by name.
    PinRef ParsePin(const std::string& text, bool output, const std::string& context) const
    {
        const std::string trimmed = Trim(text);
        const std::size_t colon = trimmed.rfind(':');
        if (colon == std::string::npos || colon == 0 || colon + 1 == trimmed.size())
            Fail(context + ": '" + trimmed + "' is not <node>:<pin>");
        const std::string nodeName = Trim(trimmed.substr(0, colon));
        const std::string pinName = Trim(trimmed.substr(colon + 1));
        const std::size_t node = m_model->NodeIndex(nodeName);
        if (node == m_model->nodes.size())
            Fail(context + ": unknown node '" + nodeName + "'");
        const std::vector<std::string>& pins =
            output ? m_model->nodes[node].outpins : m_model->nodes[node].inpins;
        std::size_t pin = pins.size();
        if (pinName.find_first_not_of("0123456789") == std::string::npos && pinName.size() < 9) {
            pin = static_cast<std::size_t>(std::stoul(pinName));
        } else {
            for (std::size_t i = 0; i < pins.size(); ++i)
                pin = pins[i] == pinName ? i : pin;
        }
        if (pin >= pins.size())
            Fail(context + ": node '" + nodeName + "' has no " + (output ? "output" : "input") + " pin '" +
                 pinName + "'");
        return {node, pin};
    }

    void Feed(const PinRef& target, const PinSource& source, const std::string& context)
    {
        GraphNode& node = m_model->nodes[target.node];
        if (node.sources[target.pin].kind != PinSource::None)
            Fail(context + ": input pin '" + node.inpins[target.pin] + "' of node '" + node.name +
                 "' is fed twice");
        node.sources[target.pin] = source;
    }

    void ReadEdges()
    {
        const auto& edges = static_cast<const CValueVector&>(Section("edges", GT_VECTOR, false));
        for (std::size_t i = 0; i < edges.Size(); ++i) {
            const CValue* edge = Unwrap(edges.At(i));
            if (!edge || edge->GenericType() != GT_STRING)
                Fail("edge " + std::to_string(i) + " must be a string \"<node>:<pin> -> <node>:<pin>\"");
            const std::string& text = static_cast<const CValueString*>(edge)->Value();
            const std::string context = "edge '" + text + "'";
            const std::size_t arrow = text.find("->");
            if (arrow == std::string::npos || text.find("->", arrow + 2) != std::string::npos)
                Fail(context + ": not of the form <node>:<pin> -> <node>:<pin>");
            const PinRef from = ParsePin(text.substr(0, arrow), true, context);
            const PinRef to = ParsePin(text.substr(arrow + 2), false, context);
            Feed(to, {PinSource::NodeOutput, from.node, from.pin}, context);
        }
    }

    std::string PortName(const CValue* port, const char* kind, std::size_t index) const
    {
        const std::string context = std::string(kind) + " " + std::to_string(index);
        if (!port || port->GenericType() != GT_MAP)
            Fail(context + ": must be a map with a \"name\"");
        const CValue* name = Unwrap(port->FindEntry("name"));
        if (!name || name->GenericType() != GT_STRING)
            Fail(context + ": has no \"name\" string");
        return static_cast<const CValueString*>(name)->Value();
    }

    void ReadInputs()
    {
        const auto& inputs = static_cast<const CValueVector&>(Section("inputs", GT_VECTOR, false));
        for (std::size_t i = 0; i < inputs.Size(); ++i) {
            const CValue* port = Unwrap(inputs.At(i));
            const std::string name = PortName(port, "graph input", i);
            const std::string context = "graph input '" + name + "'";
            const CValue* to = Unwrap(port->FindEntry("to"));
            std::vector<std::string> targets;
            if (to && to->GenericType() == GT_STRING) {
                targets.push_back(static_cast<const CValueString*>(to)->Value());
            } else if (to && to->GenericType() == GT_VECTOR) {
                const auto* list = static_cast<const CValueVector*>(to);
                for (std::size_t t = 0; t < list->Size(); ++t) {
                    const CValue* target = Unwrap(list->At(t));
                    if (!target || target->GenericType() != GT_STRING)
                        Fail(context + ": \"to\" must list \"<node>:<pin>\" strings");
                    targets.push_back(static_cast<const CValueString*>(target)->Value());
                }
            } else if (to) {
                Fail(context + ": \"to\" must list \"<node>:<pin>\" strings");
            }
            m_model->inputNames.push_back(name);
            for (const std::string& target : targets)
                Feed(ParsePin(target, false, context), {PinSource::GraphInput, i, 0}, context);
        }
    }

    void ReadOutputs()
    {
        const auto& outputs = static_cast<const CValueVector&>(Section("outputs", GT_VECTOR, false));
        for (std::size_t i = 0; i < outputs.Size(); ++i) {
            const CValue* port = Unwrap(outputs.At(i));
            const std::string name = PortName(port, "graph output", i);
            const std::string context = "graph output '" + name + "'";
            const CValue* from = Unwrap(port->FindEntry("from"));
            if (!from || from->GenericType() != GT_STRING)
                Fail(context + ": has no \"from\" string");
            const PinRef source = ParsePin(static_cast<const CValueString*>(from)->Value(), true, context);
            m_model->outputNames.push_back(name);
            m_model->outputSources.push_back({PinSource::NodeOutput, source.node, source.pin});
        }
    }

    void CheckConnected()
    {
        for (std::size_t i = 0; i < m_model->nodes.size(); ++i) {
            GraphNode& node = m_model->nodes[i];
            for (std::size_t pin = 0; pin < node.sources.size(); ++pin) {
                if (node.sources[pin].kind == PinSource::None)
                    Fail("node '" + node.name + "': input pin '" + node.inpins[pin] + "' is not connected");
                if (node.sources[pin].kind != PinSource::NodeOutput)
                    continue;
                GraphNode& producer = m_model->nodes[node.sources[pin].index];
                if (producer.dependents.empty() || producer.dependents.back() != i) {
                    producer.dependents.push_back(i);
                    ++node.dependencies;
                }
            }
        }
    }

    void Order()
    {
        std::vector<std::size_t> pending(m_model->nodes.size());
        std::vector<std::size_t> ready;
        for (std::size_t i = 0; i < pending.size(); ++i) {
            pending[i] = m_model->nodes[i].dependencies;
            if (pending[i] == 0)
                ready.push_back(i);
        }
        for (std::size_t next = 0; next < ready.size(); ++next) {
            m_model->order.push_back(ready[next]);
            for (std::size_t dependent : m_model->nodes[ready[next]].dependents) {
                if (--pending[dependent] == 0)
                    ready.push_back(dependent);
            }
        }
        if (m_model->order.size() == m_model->nodes.size())
            return;
        std::string members;
        for (std::size_t i = 0; i < pending.size(); ++i) {
            if (pending[i] != 0)
                members += (members.empty() ? "'" : ", '") + m_model->nodes[i].name + "'";
        }
        Fail("node '" + m_model->nodes[FirstPending(pending)].name + "': lies on a cycle (nodes " + members + ")");
    }

    static std::size_t FirstPending(const std::vector<std::size_t>& pending)
    {
        std::size_t i = 0;
        while (pending[i] == 0)
            ++i;
        return i;
    }

    const CValueMap& m_map;
    std::unique_ptr<GraphModel> m_model;
    bool m_verbose;
};

} // namespace

std::unique_ptr<GraphModel> GraphBuilder::Build(const CValueMap& map, const std::string& origin, bool verbose)
{
    return Builder(map, origin, verbose).Build();
}

std::unique_ptr<GraphModel> GraphBuilder::Load(const char* path, bool verbose)
{
    if (!path || !*path)
        throw CExIo("no graph file given", "graph file");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw CExIo(std::string("cannot open graph file: ") + std::strerror(errno), path);
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (!error && size > kMaxGraphFileBytes)
        throw CExIo("not a graph description: larger than 64 MiB", path);
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad())
        throw CExIo("cannot read graph file", path);
    const std::string content = text.str();
    const std::size_t first = content.find_first_not_of(" \t\r\n");
    const bool xml = first != std::string::npos && content[first] == '<';

    std::unique_ptr<CValue> value;
    try {
        // An XML declaration is only valid at the very start, so blanks before it are dropped.
        CXmlSerializer2 xmlReader(true, false, path);
        CTextSerializer textReader(true, false, path);
        CSerializer& reader = xml ? static_cast<CSerializer&>(xmlReader) : textReader;
        reader.SetRefuseDuplicateKeys(true);
        if (xml)
            value.reset(reader.Deserialize(content.data() + first, content.size() - first));
        else
            value.reset(reader.Deserialize(content));
    } catch (const CException& e) {
        throw CException(std::string("cannot read the graph description: ") + e.what(), path);
    }
    if (!value || value->GenericType() != GT_MAP)
        throw CException("the graph description is not a map", path);
    auto model = Build(static_cast<const CValueMap&>(*value), path, verbose);
    model->filename = std::filesystem::absolute(path, error).lexically_normal().string();
    return model;
}

} // namespace detail
} // namespace OstrelGraph
