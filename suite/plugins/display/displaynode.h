#pragma once
#include <QPointer>

#include "viewernode.h"

namespace viewers {

class DisplayWindow;

// display::Display: shows input 0 in a "DisplayMainWindow" it builds, on its first execution, under the
// host widget given as "QWidgetPointer": images in the image view, any other serializable value as text.
// An image with the string attribute "placeholder" only stands in for a value the host does not have (an
// error icon for a failed step, say): it is drawn, but the status line gives the attribute's text (the
// item's state) in its first field and none of the picture's size, pixel values or statistics.
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
