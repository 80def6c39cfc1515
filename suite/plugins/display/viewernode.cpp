#include "viewernode.h"

#include <memory>

#include <QApplication>
#include <QThread>
#include <QWidget>

#include "kora/exception.h"
#include "kora/valuepointer.h"

namespace viewers {

namespace {
const char* const kHostKey = "QWidgetPointer";
}

QWidget* ViewerNode::HostWidget(const std::string& nodeName) const
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        throw KORA::CExUnimp(nodeName + ": no QApplication exists, so no window can be shown", nodeName);
    // Widgets may only be touched on the thread that owns the application.
    if (QThread::currentThread() != QCoreApplication::instance()->thread())
        throw KORA::CException(nodeName + ": must be executed on the GUI thread", nodeName);
    const KORA::CValue* parameter = Parameters().FindEntry(kHostKey);
    if (!parameter)
        throw KORA::CException(nodeName + ": parameter \"QWidgetPointer\" is missing; the host must give its window",
                               nodeName);
    QWidget* host = nullptr;
    try {
        host = KORA::UnwrapPointer<QWidget>(parameter);
    } catch (const KORA::CExBadType& error) {
        throw KORA::CException(nodeName + ": parameter \"QWidgetPointer\" is no widget pointer (" + error.what() + ")",
                               nodeName);
    }
    if (!host)
        throw KORA::CException(nodeName + ": parameter \"QWidgetPointer\" is a null pointer", nodeName);
    return host;
}

} // namespace viewers
