#pragma once
// The base of the viewer nodes: what every viewer needs from its host before it may build widgets.
#include <string>

#include "kora/node.h"

class QWidget;

namespace viewers {

class ViewerNode : public KORA::CPNode
{
protected:
    // The widget given as the "QWidgetPointer" parameter. Throws CExUnimp when the process has no
    // QApplication, and CException naming the node when called off the GUI thread or when the parameter
    // is missing, of another kind, or null.
    QWidget* HostWidget(const std::string& nodeName) const;
};

} // namespace viewers
