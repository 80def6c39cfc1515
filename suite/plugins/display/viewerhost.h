#pragma once
// What every viewer node needs from its host before it may build widgets.
#include <string>

class QWidget;

namespace KORA {
class CPNode;
}

namespace viewers {

// The widget given as the node's "QWidgetPointer" parameter. Throws CExUnimp when the process has no
// QApplication, and CException naming the node when it is called off the GUI thread or the parameter is
// missing, of another kind, or null.
QWidget* HostWidget(const KORA::CPNode& node, const std::string& nodeName);

} // namespace viewers
