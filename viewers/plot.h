#pragma once
// The plot viewer: the suite's plot::Plot plug-in draws numbers and vectors of numbers inside this window.
#include "viewers/abstractdisplay.h"

namespace VORNE {

class Plot : public AbstractDisplay
{
    Q_OBJECT

public:
    Plot(int portType, int portIndex, QWidget* parent = nullptr);
    ~Plot() override;

public slots:
    bool updateView(VORNE::Item* item) override;

private:
    void loadPlugin();

    bool m_firstView = true;
    KORA::CPNode* m_node = nullptr;
    KORA::CValueVector* m_inputs = nullptr;
};

} // namespace VORNE
