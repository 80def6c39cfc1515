#pragma once
// The scatter-plot viewer: the suite's display::ScatterPlot plug-in draws [x, y] pairs inside this window.
#include "viewers/abstractdisplay.h"

namespace VORNE {

class ScatterPlot : public AbstractDisplay
{
    Q_OBJECT

public:
    ScatterPlot(int portType, int portIndex, QWidget* parent = nullptr);
    ~ScatterPlot() override;

protected slots:
    bool updateView(VORNE::Item* item) override;

private:
    void loadPlugin();

    KORA::CPNode* m_node = nullptr;
    KORA::CValueVector* m_inputs = nullptr;
};

} // namespace VORNE
