#include "viewers/scatterplot.h"

#include <iostream>
#include <memory>

#include "items/item.h"
#include "kora/exception.h"
#include "kora/node.h"
#include "kora/value.h"

namespace VORNE {

ScatterPlot::ScatterPlot(int portType, int portIndex, QWidget* parent)
    : AbstractDisplay(portType, portIndex, parent)
{
    loadPlugin();
}

ScatterPlot::~ScatterPlot()
{
    // The node may still refer to its widgets, which die with the base window afterwards.
    delete m_node;
    delete m_inputs;
}

void ScatterPlot::loadPlugin()
{
    if (m_node)
        return;
    std::unique_ptr<KORA::IPluginObject> object;
    try {
        object.reset(KORA::GetPluginObject(nullptr, "%KORADIR%/bin/display::ScatterPlot", nullptr));
    } catch (const KORA::CException& error) {
        std::cerr << "ScatterPlot: Could not load the display::ScatterPlot plugin.\nWhy: " << error.what()
                  << std::endl;
    }
    auto* node = dynamic_cast<KORA::CPNode*>(object.get());
    if (!node)
        return;
    m_inputs = attachNode(node);
    object.release();
    m_node = node;
}

bool ScatterPlot::updateView(Item* item)
{
    if (!m_node || !item)
        return false;
    KORA::CValue* value = item->toCValue();
    if (!value) {
        flash();
        return false;
    }
    m_inputs->SetEntry(0, value);

    try {
        m_node->Execute();
    } catch (const KORA::CException&) {
        std::cerr << "ScatterPlot::updateView() " << "Could not execute scatter plot plugin." << std::endl;
        flash();
        return false;
    }
    // Repeated after every success; once the widget is central this changes nothing.
    adoptPluginWidget(QStringLiteral("ScatterPlotMainWindow"));
    return true;
}

} // namespace VORNE
