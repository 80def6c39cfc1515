#include "plotnode.h"

#include <QChart>
#include <QChartView>
#include <QLegend>
#include <QLineSeries>
#include <QMainWindow>
#include <QValueAxis>

#include <algorithm>
#include <limits>

#include "kora/value.h"
#include "plotdata.h"
#include "viewernode.h"

namespace viewers {

void PlotNode::GetPluginSetup(KORA::CValueMap& setup)
{
    setup.SetEntry("pluginType", new KORA::CValueString("Viewer"));
    setup.SetEntry("subType", new KORA::CValueString("Display"));
    setup.SetEntry("name", new KORA::CValueString(kEntryName));
    auto* inputs = new KORA::CValueMap;
    inputs->SetEntry("values", new KORA::CValueString("any"));
    setup.SetEntry("inputs", inputs);
    setup.SetEntry("outputs", new KORA::CValueMap);
    setup.SetEntry("parameters", new KORA::CValueMap);
}

void PlotNode::Run()
{
    QWidget* host = HostWidget(kEntryName);
    const PlotData data = PlotDataFor(Input(0));

    auto* chart = new QChart;
    chart->setTitle(data.title);
    chart->legend()->setVisible(true);
    chart->legend()->setAlignment(Qt::AlignBottom);
    auto* xAxis = new QValueAxis;
    xAxis->setTitleText(data.xLabel);
    xAxis->setLabelFormat(QStringLiteral("%g"));
    auto* yAxis = new QValueAxis;
    yAxis->setTitleText(data.yLabel);
    yAxis->setLabelFormat(QStringLiteral("%g"));
    chart->addAxis(xAxis, Qt::AlignBottom);
    chart->addAxis(yAxis, Qt::AlignLeft);
    double x0 = std::numeric_limits<double>::infinity(), x1 = -x0, y0 = x0, y1 = -x0;
    for (const PlotSeries& s : data.series) {
        auto* series = new QLineSeries;
        series->setName(s.name);
        series->replace(s.points);
        chart->addSeries(series);
        series->attachAxis(xAxis);
        series->attachAxis(yAxis);
        for (const QPointF& p : s.points) {
            x0 = std::min(x0, p.x());
            x1 = std::max(x1, p.x());
            y0 = std::min(y0, p.y());
            y1 = std::max(y1, p.y());
        }
    }
    if (x0 <= x1) {
        // Leave air above and below the curves; counts start at zero.
        const double pad = y1 > y0 ? (y1 - y0) * 0.05 : 1.0;
        xAxis->setRange(x0, x1 > x0 ? x1 : x0 + 1.0);
        yAxis->setRange(y0 >= 0.0 && data.yLabel == QLatin1String("pixels") ? 0.0 : y0 - pad, y1 + pad);
        xAxis->applyNiceNumbers();
        yAxis->applyNiceNumbers();
    }

    if (!m_window || !m_view) {
        delete m_window;
        m_window = new QMainWindow(host, Qt::Widget);
        m_window->setObjectName(QStringLiteral("PlotMainWindow"));
        m_view = new QChartView(m_window);
        m_view->setObjectName(QStringLiteral("PlotChartView"));
        m_view->setRenderHint(QPainter::Antialiasing);
        // A host that sizes its window to the contents' hint would squeeze the axes into ellipses.
        m_view->setMinimumSize(480, 320);
        m_window->setCentralWidget(m_view);
        m_window->resize(560, 420);
    }
    QChart* old = m_view->chart();
    m_view->setChart(chart);
    delete old;
}

} // namespace viewers
