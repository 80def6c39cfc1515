#include "viewers/plugindisplay.h"

#include <exception>
#include <iostream>
#include <memory>

#include "items/item.h"
#include "kora/exception.h"
#include "kora/node.h"
#include "kora/value.h"
#include "kora/valuepointer.h"
#include "viewers/displaytoolbar.h"
#include "viewers/viewerkinds.h"

namespace VORNE {

namespace {

// Runs call; false, with the error text, when it throws an exception the kind catches. Others go on to the
// caller unchanged. A KORA::CException gives its formatted text when formatted is set.
template <class Call>
bool runCaught(ViewerKind::Catching catching, bool formatted, const char* unknown, std::string& error,
               const Call& call)
{
    try {
        call();
        return true;
    } catch (const KORA::CException& exception) {
        error = formatted ? exception.FormattedWhat() : exception.what();
    } catch (const std::exception& exception) {
        if (catching != ViewerKind::AllExceptions)
            throw;
        error = exception.what();
    } catch (...) {
        if (catching != ViewerKind::AllExceptions)
            throw;
        error = unknown;
    }
    return false;
}

} // namespace

PluginDisplay::PluginDisplay(const ViewerKind& kind, int portType, int portIndex, QWidget* parent)
    : AbstractDisplay(portType, portIndex, parent)
    , m_kind(kind)
{
    loadPlugin();
}

PluginDisplay::~PluginDisplay()
{
    // The node may still refer to its widgets, which die with the base window afterwards.
    delete m_node;
    delete m_inputs;
}

void PluginDisplay::loadPlugin()
{
    if (m_node)
        return;
    std::unique_ptr<KORA::IPluginObject> object;
    std::string why;
    const bool threw = !runCaught(m_kind.loadCatches, false, "unknown exception occured.", why, [&] {
        object.reset(KORA::GetPluginObject(nullptr, m_kind.pluginPath, nullptr));
    });
    auto* node = dynamic_cast<KORA::CPNode*>(object.get());
    if (!node) {
        // Without a node the window still navigates; it only draws nothing.
        if (m_kind.loadReport == ViewerKind::ReportAnyLoadFailure ||
            (m_kind.loadReport == ViewerKind::ReportLoaderThrows && threw))
            std::cerr << m_kind.loadFailureText << (threw ? "\nWhy: " + why : std::string()) << std::endl;
        return;
    }
    attachNode(node);
    if (m_kind.statusLine)
        node->Parameters().SetEntry("StatusLine", new KORA::CValueString(m_kind.statusLine));
    object.release();
    m_node = node;
}

void PluginDisplay::attachNode(KORA::CPNode* node)
{
    auto inputs = std::make_unique<KORA::CValueVector>();
    node->SetInputVector(inputs.get());
    node->Parameters().SetEntry("QWidgetPointer", new KORA::CValuePointer<QWidget>(this));
    KORA::CValueMap init;
    init.SetEntry("stack_in/0", new KORA::CValueLong(0));
    node->Init(&init);
    m_inputs = inputs.release();
}

KORA::CValue* PluginDisplay::valueFor(const Item& item) const
{
    const bool empty = item.type() == Item::UndefinedType || item.type() == Item::NoValueType;
    if (empty && m_kind.valueForEmptyItem)
        return m_kind.valueForEmptyItem();
    // For an image handle this is a second handle to the item's value, which the item keeps.
    KORA::CValue* value = item.toCValue();
    if (value && m_kind.wrapValue)
        return new KORA::CValueSmart(value);
    return value;
}

bool PluginDisplay::execute(std::string& error)
{
    return runCaught(m_kind.executeCatches, true, "unsupported exception catched", error, [this] {
        m_node->Execute();
    });
}

bool PluginDisplay::updateView(Item* item)
{
    if (!m_node || !item)
        return false;
    KORA::CValue* value = valueFor(*item);
    if (!value) {
        flash();
        return false;
    }
    m_inputs->SetEntry(0, value);

    std::string error;
    if (!execute(error)) {
        std::cerr << m_kind.executeFailureText << (m_kind.errorInReport ? error : std::string()) << std::endl;
        flash();
        return false;
    }
    if (m_firstView || m_kind.adoptEveryTime)
        adoptPluginWindow();
    return true;
}

void PluginDisplay::adoptPluginWindow()
{
    const bool first = m_firstView;
    m_firstView = false;
    auto* window = findChild<QWidget*>(QString::fromLatin1(m_kind.windowName));
    if (window) {
        window->setWindowFlags(Qt::WindowFlags());
        setCentralWidget(window);
    }
    if (!first)
        return;
    auto* pluginMain = qobject_cast<QMainWindow*>(window);
    if (pluginMain && m_kind.toolbarIntoPluginWindow) {
        pluginMain->addToolBarBreak(Qt::TopToolBarArea);
        pluginMain->addToolBar(toolbar());
    }
    if (m_kind.firstSizing == ViewerKind::Resize500)
        resize(500, 500);
    else if (m_kind.firstSizing == ViewerKind::AdjustToContents)
        adjustSize();
}

} // namespace VORNE
