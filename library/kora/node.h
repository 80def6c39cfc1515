#pragma once
// Nodes and plug-ins.
//
// A plug-in library exports, with C linkage, ListPlugins() (a new CValueVector of entry names, the caller
// owns it) and CreatePluginInstanceEx(name) (a new object the caller owns, or null for an unknown name).
// KORA_DEFINE_PLUGIN_ENTRIES writes both from a table.
#include <cstddef>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "kora/string.h"
#include "kora/value.h"

namespace KORA {

class KORA_API IObject
{
public:
    virtual ~IObject();
};

class KORA_API IPluginObject : public IObject
{
public:
    ~IPluginObject() override;
    virtual void SetInstance(const char* instanceName) = 0;
};

class KORA_API IVectorizable
{
public:
    virtual ~IVectorizable();
};

// The node base. A node describes itself with GetPluginSetup, is initialised with Init (defaults from the
// description, then the given map merged over them, then NodeInit), and does its work in Run, which
// Execute calls. Inputs come from the input vector, outputs go to the output vector, both indexed by pin.
class KORA_API CPNode : public IPluginObject, public IVectorizable
{
public:
    CPNode();
    ~CPNode() override;

    void SetInstance(const char* instanceName) override;
    // "pluginType", "subType", "name", "inputs" and "outputs" (maps of pin name to a type name, in pin
    // order) and "parameters" (defaults, with meta). The base writes an empty description.
    virtual void GetPluginSetup(CValueMap& setup);
    virtual void Init(const CValueMap* parameters);
    // Whether the node answers to an interface name; the base knows "KORA::CPNode".
    virtual bool TestInterface(const CString& name) const;
    // Called at the end of Init, once the parameters are in place.
    virtual void NodeInit();
    virtual int DebugLevel() const;
    virtual const CValueMap& Parameters() const;
    virtual CValueMap& Parameters();
    // The kind of node: 0 for processing nodes.
    virtual int Type() const;
    virtual void Run() = 0;
    virtual void AddDebugData(int level, const CValue& value, const char* label);
    // Appends a result to the output vector; owned: the vector takes it, otherwise a clone is stored.
    virtual void AddResultData(CValue* value, bool owned, const char* label);
    // Empties the output vector (and the inputs, unless the caller installed its own vector).
    virtual void DeleteData();

    // Runs the node: clears the outputs, then calls Run(). Exceptions pass to the caller.
    void Execute();

    const std::string& InstanceName() const noexcept { return m_instance; }
    // The input vector: the node's own, or one the caller installed and still owns (null restores
    // the node's own).
    CValueVector& Inputs() noexcept { return *m_inputs; }
    const CValueVector& Inputs() const noexcept { return *m_inputs; }
    void SetInputVector(CValueVector* inputs) noexcept;
    CValueVector& Outputs() noexcept { return m_outputs; }
    const CValueVector& Outputs() const noexcept { return m_outputs; }

    // Long work polls this; false once the scheduler (or whoever runs the node) asks it to stop.
    bool MayContinue() const;
    void SetMayContinueCallback(std::function<bool()> callback);

protected:
    // Input pin i, through smart handles; CException naming the node and the pin when absent.
    const CValue& Input(std::size_t pin) const;
    // Stores value (owned) at output pin i.
    void SetOutput(std::size_t pin, CValue* value);
    // "node 'blur' (imgproc::GaussianBlur)" for messages; the instance name alone when that is all there is.
    std::string Describe() const;

private:
    std::string m_instance;
    CValueMap m_parameters;
    CValueVector m_ownInputs;
    CValueVector* m_inputs;
    CValueVector m_outputs;
    std::function<bool()> m_mayContinue;
};

// Loads the library named by path ("<dir>/<library>::<entry>", %VAR% references expanded) once per
// process, creates the entry, names it instanceName (when not null) and, for a node with a non-null
// initMap, calls Init(initMap). The caller owns the result. Throws CException with the reason: library
// outside $KORADIR/bin and KORA_PLUGIN_PATH, library missing, entry missing, the loader's message.
KORA_API IPluginObject* GetPluginObject(const char* instanceName, const char* path, const CValueMap* initMap);
// The resolved paths of the plug-in libraries this process has loaded, sorted.
KORA_API std::vector<std::string> LoadedPluginLibraries();
// The entry names of one plug-in library, given as "<dir>/<library>" or a full plug-in path.
KORA_API CValueVector* ListPluginEntries(const char* libraryPath);

// For plug-in libraries: one row per entry.
struct PluginEntry
{
    const char* name;
    IPluginObject* (*create)();
};
KORA_API CValueVector* ListPluginTable(const PluginEntry* table, std::size_t count);
KORA_API IPluginObject* CreateFromPluginTable(const PluginEntry* table, std::size_t count, const char* name);

template <class T>
IPluginObject* CreatePluginNode()
{
    return new T();
}

} // namespace KORA

#define KORA_PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))

// In exactly one source file of a plug-in library:
//   KORA_DEFINE_PLUGIN_ENTRIES(KORA_PLUGIN_NODE(GaussianBlur), ...)
// A node class names its entry once, as its static kEntryName, which its description reads too; a row
// under another name ({"RunGraph", &KORA::CreatePluginNode<T>}) is written out.
#define KORA_PLUGIN_NODE(T) ::KORA::PluginEntry{T::kEntryName, &::KORA::CreatePluginNode<T>}
#define KORA_DEFINE_PLUGIN_ENTRIES(...)                                                                   \
    static const ::KORA::PluginEntry kora_plugin_entries_[] = {__VA_ARGS__};                              \
    KORA_PLUGIN_EXPORT ::KORA::CValueVector* ListPlugins()                                                \
    {                                                                                                     \
        return ::KORA::ListPluginTable(kora_plugin_entries_, std::size(kora_plugin_entries_));            \
    }                                                                                                     \
    KORA_PLUGIN_EXPORT ::KORA::IPluginObject* CreatePluginInstanceEx(const char* name)                    \
    {                                                                                                     \
        return ::KORA::CreateFromPluginTable(kora_plugin_entries_, std::size(kora_plugin_entries_), name); \
    }
