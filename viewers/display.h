#pragma once
// The image viewer: the suite's display::Display plug-in draws inside this window. Items without a value
// (an output that produced no result) show the error icon instead.
#include "viewers/plugindisplay.h"

namespace VORNE {

class Display : public PluginDisplay
{
    Q_OBJECT

public:
    Display(int portType, int portIndex, QWidget* parent = nullptr);

    // Where the error icon is copied on disk: one path per process, chosen at first use. Whether the file
    // still exists there is checked at every use.
    static QString errorImagePath();
    // A new image value of the error icon, or null when it cannot be loaded. The image carries state, what
    // the item is, as its string attribute "placeholder": the plug-in then shows that state on its status
    // line instead of the icon's own pixel figures, which are no result.
    static KORA::CValue* errorImageValue(const QString& state);

protected slots:
    bool updateView(VORNE::Item* item) override { return PluginDisplay::updateView(item); }
};

} // namespace VORNE
