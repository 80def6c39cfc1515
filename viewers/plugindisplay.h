#pragma once
// The one implementation behind every viewer whose picture a suite plug-in draws. The viewer obtains the
// plug-in's node once, at construction, and hands it this window so that the plug-in builds its widgets
// inside; each rendering puts a new value made from the item into the node's first input and executes the
// node, and the plug-in's top widget becomes the central widget. Where the kinds differ, the kind's row
// (viewerkinds.h) decides. GUI thread only: a slow plug-in blocks the window for its duration.
#include "viewers/abstractdisplay.h"

#include <string>

namespace KORA {
class CPNode;
class CValue;
class CValueVector;
} // namespace KORA

namespace VORNE {

class ViewerCaption;
struct ViewerKind;

class PluginDisplay : public AbstractDisplay
{
    Q_OBJECT

public:
    ~PluginDisplay() override;

protected:
    PluginDisplay(const ViewerKind& kind, int portType, int portIndex, QWidget* parent);

    // True when the plug-in ran on the item; a viewer without a node returns false and does nothing.
    bool updateView(VORNE::Item* item) override;

private:
    void loadPlugin();
    // Gives the node this window as "QWidgetPointer", a new input vector, and initialises it.
    void attachNode(KORA::CPNode* node);
    // A new value for entry 0 of the node's inputs, or null when the item gives none (reason: the
    // conversion's words, when it has any).
    KORA::CValue* valueFor(const Item& item, QString* reason) const;
    // Executes the node; false, with the error text, on an exception the kind catches.
    bool execute(std::string& error);
    void adoptPluginWindow();
    // Says in the caption below the picture why the item is not shown as a result, until the next result.
    void reportFailure(const Item& item, const QString& reason);
    void clearFailure();

    const ViewerKind& m_kind;
    bool m_firstView = true;
    KORA::CPNode* m_node = nullptr;
    KORA::CValueVector* m_inputs = nullptr;
    ViewerCaption* m_caption;
};

} // namespace VORNE
