#include "kora/node.h"

#include <iostream>
#include <utility>

#include "kora/serializer.h"

namespace KORA {

IObject::~IObject() = default;
IPluginObject::~IPluginObject() = default;
IVectorizable::~IVectorizable() = default;

CPNode::CPNode() : m_inputs(&m_ownInputs) {}

CPNode::~CPNode() = default;

void CPNode::SetInstance(const char* instanceName)
{
    m_instance = instanceName ? instanceName : "";
}

void CPNode::GetPluginSetup(CValueMap& setup)
{
    setup.Clear();
}

void CPNode::Init(const CValueMap* parameters)
{
    CValueMap setup;
    GetPluginSetup(setup);
    CValueMap merged;
    if (const CValue* defaults = setup.FindEntry("parameters"); defaults && defaults->GenericType() == GT_MAP)
        merged.Copy(*defaults, COPY_NO_OWNERSHIP, false);
    // Hosts fill parameters before they call Init (a viewer's window, a graph map): those stay, over the
    // defaults and under the map given here. Owned pointers among them move along.
    merged.Copy(m_parameters, COPY_MOVE_OWNERSHIP, true);
    if (parameters)
        merged.Copy(*parameters, COPY_NO_OWNERSHIP, true);
    m_parameters.Copy(merged, COPY_MOVE_OWNERSHIP, false);
    NodeInit();
}

bool CPNode::TestInterface(const CString& name) const
{
    return name == "KORA::CPNode";
}

void CPNode::NodeInit() {}

int CPNode::DebugLevel() const
{
    const CValue* level = m_parameters.FindEntry("debug");
    return level && level->GenericType() == GT_LONG ? m_parameters.EntryLong("debug") : 0;
}

const CValueMap& CPNode::Parameters() const
{
    return m_parameters;
}

CValueMap& CPNode::Parameters()
{
    return m_parameters;
}

int CPNode::Type() const
{
    return 0;
}

void CPNode::AddDebugData(int level, const CValue& value, const char* label)
{
    if (level > DebugLevel())
        return;
    std::string text;
    try {
        text = CTextSerializer(false, true).ToString(value);
    } catch (const CException&) {
        // Pointer values have no text form; their type is all a reader can use anyway.
        text = "<" + HumanReadableTypename(value.Type()) + ">";
    }
    std::clog << Describe() << ": " << (label ? label : "debug") << " = " << text << '\n';
}

void CPNode::AddResultData(CValue* value, bool owned, const char* label)
{
    if (!value)
        return;
    CValue* stored = owned ? value : value->Clone(COPY_SHARE_POINTER);
    if (label && *label) {
        try {
            stored->Meta().SetEntry("label", new CValueString(label));
        } catch (...) {
            if (owned)
                delete stored;
            throw;
        }
    }
    m_outputs.Append(stored);
}

void CPNode::DeleteData()
{
    m_outputs.Clear();
    if (m_inputs == &m_ownInputs)
        m_ownInputs.Clear();
}

void CPNode::Execute()
{
    m_outputs.Clear();
    Run();
}

void CPNode::SetInputVector(CValueVector* inputs) noexcept
{
    m_inputs = inputs ? inputs : &m_ownInputs;
}

bool CPNode::MayContinue() const
{
    return m_mayContinue ? m_mayContinue() : true;
}

void CPNode::SetMayContinueCallback(std::function<bool()> callback)
{
    m_mayContinue = std::move(callback);
}

const CValue& CPNode::Input(std::size_t pin) const
{
    if (const CValue* value = Unwrap(m_inputs->At(pin)))
        return *value;
    std::string pinName;
    try {
        CValueMap setup;
        const_cast<CPNode*>(this)->GetPluginSetup(setup);
        const CValue* inputs = setup.FindEntry("inputs");
        if (inputs && inputs->GenericType() == GT_MAP && pin < static_cast<const CValueMap*>(inputs)->Size())
            pinName = " '" + static_cast<const CValueMap*>(inputs)->KeyAt(pin) + "'";
    } catch (const std::exception&) {
        // The pin's name only decorates the message; its number is enough.
    }
    throw CException("input " + std::to_string(pin) + pinName + " has no data", Describe());
}

void CPNode::SetOutput(std::size_t pin, CValue* value)
{
    m_outputs.SetEntry(static_cast<int>(pin), value);
}

std::string CPNode::Describe() const
{
    std::string name;
    try {
        CValueMap setup;
        const_cast<CPNode*>(this)->GetPluginSetup(setup);
        name = setup.EntryString("name");
    } catch (const std::exception&) {
        // A node whose description fails is still named by its instance.
    }
    if (name.empty())
        return m_instance.empty() ? std::string("node") : m_instance;
    return m_instance.empty() ? "node (" + name + ")" : "node '" + m_instance + "' (" + name + ")";
}

} // namespace KORA
