#include "viewers/plot.h"

#include <iostream>
#include <memory>

#include "items/item.h"
#include "kora/exception.h"
#include "kora/node.h"
#include "kora/value.h"

namespace VORNE {

Plot::Plot(int portType, int portIndex, QWidget* parent) : AbstractDisplay(portType, portIndex, parent)
{
    loadPlugin();
}

Plot::~Plot()
{
    // The node may still refer to its widgets, which die with the base window afterwards.
    delete m_node;
    delete m_inputs;
}

void Plot::loadPlugin()
{
    if (m_node)
        return;
    // A missing plot plug-in is not worth a word: the window still navigates, it only draws nothing.
    std::unique_ptr<KORA::IPluginObject> object;
    try {
        object.reset(KORA::GetPluginObject(nullptr, "%KORADIR%/bin/plot::Plot", nullptr));
    } catch (const KORA::CException&) {
    }
    auto* node = dynamic_cast<KORA::CPNode*>(object.get());
    if (!node)
        return;
    m_inputs = attachNode(node);
    object.release();
    m_node = node;
}

bool Plot::updateView(Item* item)
{
    if (!m_node || !item)
        return false;
    KORA::CValue* value = item->toCValue();
    if (!value) {
        flash();
        return false;
    }
    m_inputs->SetEntry(0, new KORA::CValueSmart(value));

    try {
        m_node->Execute();
    } catch (const KORA::CException&) {
        std::cerr << "Plot::updateView() " << "Could not execute plot plugin." << std::endl;
        flash();
        return false;
    }

    if (m_firstView) {
        m_firstView = false;
        adoptPluginWidget(QStringLiteral("PlotMainWindow"));
        adjustSize();
    }
    return true;
}

} // namespace VORNE
