#pragma once
// The image viewer: the suite's display::Display plug-in draws inside this window. Items without a value
// (an output that produced no result) show the error icon instead.
#include "viewers/abstractdisplay.h"

namespace KORA {
class CValue;
} // namespace KORA

namespace VORNE {

class Display : public AbstractDisplay
{
    Q_OBJECT

public:
    Display(int portType, int portIndex, QWidget* parent = nullptr);
    ~Display() override;

    // Where the error icon is copied on disk: one path per process, chosen at first use. Whether the file
    // still exists there is checked at every use.
    static QString errorImagePath();

protected slots:
    bool updateView(VORNE::Item* item) override;

private:
    void loadPlugin();
    // A new image value of the error icon, or null when it cannot be loaded.
    static KORA::CValue* errorImageValue();

    bool m_firstView = true;
    KORA::CPNode* m_node = nullptr;
    KORA::CValueVector* m_inputs = nullptr;
};

} // namespace VORNE
