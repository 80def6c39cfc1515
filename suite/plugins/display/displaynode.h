#pragma once
#include <QPointer>

#include "viewernode.h"

namespace viewers {

class DisplayWindow;

// display::Display: shows input 0 in a "DisplayMainWindow" it builds, on its first execution, under the
// host widget given as "QWidgetPointer": images in the image view, any other serializable value as text.
class DisplayNode : public ViewerNode
{
public:
    static constexpr const char* kEntryName = "Display";
    void GetPluginSetup(KORA::CValueMap& setup) override;
    void Run() override;

private:
    // The window belongs to the host's widget tree; if the host deletes it, the next run builds another.
    QPointer<DisplayWindow> m_window;
};

} // namespace viewers
