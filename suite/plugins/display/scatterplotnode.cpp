#include "scatterplotnode.h"

#include <QMainWindow>

#include "kora/valuepointer.h"
#include "scatterview.h"
#include "viewernode.h"

namespace viewers {

void ScatterPlotNode::GetPluginSetup(KORA::CValueMap& setup)
{
    setup.SetEntry("pluginType", new KORA::CValueString("Viewer"));
    setup.SetEntry("subType", new KORA::CValueString("Display"));
    setup.SetEntry("name", new KORA::CValueString(kEntryName));
    auto* inputs = new KORA::CValueMap;
    inputs->SetEntry("points", new KORA::CValueString("any"));
    setup.SetEntry("inputs", inputs);
    setup.SetEntry("outputs", new KORA::CValueMap);
    setup.SetEntry("parameters", new KORA::CValueMap);
}

void ScatterPlotNode::Run()
{
    QWidget* host = HostWidget(kEntryName);
    const KORA::CValue& value = Input(0);
    const QVector<QPointF> points = ScatterPoints(value);
    const QString title = value.GenericType() == KORA::GT_POINTER
                              ? QStringLiteral("%1 points (image rows: x = column 0, y = column 1)").arg(points.size())
                              : QStringLiteral("%1 points").arg(points.size());
    if (!m_window || !m_view) {
        delete m_window;
        m_window = new QMainWindow(host, Qt::Widget);
        m_window->setObjectName(QStringLiteral("ScatterPlotMainWindow"));
        m_view = new ScatterView(m_window);
        m_window->setCentralWidget(m_view);
        m_window->resize(500, 420);
    }
    m_view->setPoints(points, title);
}

} // namespace viewers
