#include "viewers/displaytoolbar.h"

#include <QApplication>
#include <QComboBox>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>

namespace VORNE {

DisplayToolbar::DisplayToolbar(QWidget* parent)
    : QToolBar(parent)
    , m_nextButton(new QToolButton(this))
    , m_prevButton(new QToolButton(this))
    , m_indexSpinBox(new QSpinBox(this))
    , m_countLabel(new QLabel(tr("of 0"), this))
    , m_portComboBox(new QComboBox(this))
    , m_syncButton(new QPushButton(this))
    , m_displayTypeComboBox(new QComboBox(this))
{
    setWindowTitle(tr("%1 - DisplayToolbar").arg(QStringLiteral("VORNE")));

    const QSize smallIcon(16, 16);
    m_nextButton->setToolTip(tr("next image"));
    m_nextButton->setIcon(QApplication::style()->standardIcon(QStyle::SP_ArrowForward));
    m_nextButton->setIconSize(smallIcon);
    m_nextButton->setShortcut(QKeySequence(Qt::Key_Space));

    m_prevButton->setToolTip(tr("previous image"));
    m_prevButton->setIcon(QApplication::style()->standardIcon(QStyle::SP_ArrowBack));
    m_prevButton->setIconSize(smallIcon);
    m_prevButton->setShortcut(QKeySequence(Qt::Key_Backspace));

    m_indexSpinBox->setRange(0, 0);

    m_portComboBox->setToolTip(tr("Open the display for another port."));
    m_portComboBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);

    m_syncButton->setToolTip(tr("Enable or disable the sync for this display."));
    m_syncButton->setIcon(QIcon(QStringLiteral(":/resources/check-icon.png")));
    m_syncButton->setIconSize(smallIcon);
    m_syncButton->setText(tr("Synced"));

    m_displayTypeComboBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);

    addWidget(m_prevButton);
    addWidget(m_indexSpinBox);
    addWidget(m_countLabel);
    addWidget(m_nextButton);
    addSeparator();
    addWidget(m_portComboBox);
    addWidget(m_syncButton);
    addSeparator();
    addWidget(m_displayTypeComboBox);
}

} // namespace VORNE
