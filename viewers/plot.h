#pragma once
// The plot viewer: the suite's plot::Plot plug-in draws numbers and vectors of numbers inside this window.
#include "viewers/plugindisplay.h"

namespace VORNE {

class Plot : public PluginDisplay
{
    Q_OBJECT

public:
    Plot(int portType, int portIndex, QWidget* parent = nullptr);

public slots:
    bool updateView(VORNE::Item* item) override { return PluginDisplay::updateView(item); }
};

} // namespace VORNE
