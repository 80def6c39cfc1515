#pragma once
// The navigation bar of a viewer window. It has no behaviour of its own: the owning viewer wires and drives
// its widgets directly, which is why they are plain public members.
#include <QToolBar>

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QToolButton;

namespace VORNE {

class DisplayToolbar : public QToolBar
{
    Q_OBJECT

public:
    explicit DisplayToolbar(QWidget* parent = nullptr);

    QToolButton* m_nextButton;
    QToolButton* m_prevButton;
    QSpinBox* m_indexSpinBox; // 1-based item number, 0 when there is none
    QLabel* m_countLabel;
    QComboBox* m_portComboBox;
    QPushButton* m_syncButton;
    QComboBox* m_displayTypeComboBox;
};

} // namespace VORNE
