#include "viewers/abstractdisplay.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>

#include "items/item.h"
#include "items/itemmodel.h"
#include "viewers/displaytoolbar.h"
#include "viewers/signalblocker.h"

namespace VORNE {

namespace {

// A shake moves the window left, right, right and left again, one step per period.
constexpr int ShakePeriodMs = 25;
constexpr int ShakeStepPixels = 5;
constexpr int ShakeSteps = 4;
constexpr int FlashPeriodMs = 500;

} // namespace

AbstractDisplay::AbstractDisplay(int portType, int portIndex, QWidget* parent)
    : QMainWindow(parent)
    , m_toolbar(new DisplayToolbar(this))
    , m_portType(portType)
    , m_portIndex(portIndex)
{
    addToolBar(Qt::TopToolBarArea, m_toolbar);

    connect(m_toolbar->m_prevButton, &QToolButton::clicked, this, &AbstractDisplay::displayPrevItem);
    connect(m_toolbar->m_nextButton, &QToolButton::clicked, this, &AbstractDisplay::displayNextItem);
    connect(m_toolbar->m_indexSpinBox, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &AbstractDisplay::itemIndex_proxy);
    connect(m_toolbar->m_portComboBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &AbstractDisplay::showDisplay_proxy);
    connect(m_toolbar->m_syncButton, &QPushButton::clicked, this, &AbstractDisplay::toggleSynced);
    // The text form of currentIndexChanged is deprecated; the index form with the entry's text is the same.
    QComboBox* kinds = m_toolbar->m_displayTypeComboBox;
    connect(kinds, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this, kinds](int index) { emit changeDisplayType(kinds->itemText(index)); });
    // The toolbar may move into a plug-in's own window, whose menu would list toolbars instead.
    m_toolbar->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_toolbar, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { showKindMenu(m_toolbar->mapToGlobal(at)); });
    // Children come and go with the plug-in's view, so the application's events are watched.
    qApp->installEventFilter(this);
}

AbstractDisplay::~AbstractDisplay()
{
    if (m_item)
        m_item->setDisplayState(Item::NotDisplayed);
}

void AbstractDisplay::setSynced(bool synced)
{
    if (synced == m_synced)
        return;
    m_synced = synced;
    if (m_synced) {
        m_toolbar->m_syncButton->setIcon(QIcon(QStringLiteral(":/resources/check-icon.png")));
        m_toolbar->m_syncButton->setText(tr("Synced"));
    } else {
        m_toolbar->m_syncButton->setIcon(QIcon(QStringLiteral(":/resources/error-icon.png")));
        m_toolbar->m_syncButton->setText(tr("Unsynced"));
    }
}

void AbstractDisplay::toggleSynced()
{
    setSynced(!m_synced);
}

void AbstractDisplay::display(Item* item)
{
    if (m_item) {
        disconnect(m_item, nullptr, this, nullptr);
        m_item->setDisplayState(Item::NotDisplayed);
        m_item = nullptr;
    }
    if (!item) {
        displayedItemModelChanged();
        close();
        return;
    }

    m_item = item;
    connect(m_item, &Item::dataChanged, this, &AbstractDisplay::displayedItemDataChanged);
    connect(m_item, &QObject::destroyed, this, &AbstractDisplay::displayedItemDestroyed);
    displayedItemModelChanged();
    refreshTitle();

    if (isVisible()) {
        updateView(m_item);
        // The plug-in may have dropped the item meanwhile (its model cleared from a nested event loop).
        if (m_item)
            m_item->setDisplayState(Item::DisplayedVisible);
        m_viewUpToDate = true;
    } else {
        m_item->setDisplayState(Item::DisplayedHidden);
        m_viewUpToDate = false;
    }
}

void AbstractDisplay::refreshTitle()
{
    if (m_item && m_item->type() == Item::ImageFileType) {
        const QString summary = m_item->summaryText();
        setWindowTitle(QFileInfo(summary).fileName());
        setToolTip(summary);
    } else {
        setWindowTitle(QString());
        setToolTip(QString());
    }
}

void AbstractDisplay::setPortModel(ItemModel* model)
{
    m_portModel = model;
    displayedItemModelChanged();
}

void AbstractDisplay::setCurrentItemIndex(int index)
{
    SignalBlocker<AbstractDisplay> blocker(this);
    m_toolbar->m_indexSpinBox->setValue(index + 1);
}

void AbstractDisplay::setMaximumItemIndex(int max_index)
{
    SignalBlocker<AbstractDisplay> blocker(this);
    m_toolbar->m_indexSpinBox->setMinimum(max_index >= 1 ? 1 : 0);
    m_toolbar->m_indexSpinBox->setMaximum(max_index);
    m_toolbar->m_countLabel->setText(tr(" of %1").arg(max_index));
}

void AbstractDisplay::setPortsCount(int input_ports, int output_ports, QList<QString> input_names,
                                    QList<QString> output_names)
{
    SignalBlocker<AbstractDisplay> blocker(this);
    QComboBox* ports = m_toolbar->m_portComboBox;
    m_inputPortsCount = input_ports;
    ports->clear();
    const auto addPort = [ports](const QString& kind, int index, const QString& name) {
        QString text = kind.arg(index);
        if (!name.isEmpty())
            text += QStringLiteral(": ") + name;
        ports->addItem(text);
    };
    for (int i = 0; i < input_ports; ++i)
        addPort(QStringLiteral("Input %1"), i, input_names.value(i));
    for (int i = 0; i < output_ports; ++i)
        addPort(QStringLiteral("Output %1"), i, output_names.value(i));
    ports->setCurrentIndex(ownPortEntry());
    // A reload may have renamed the port.
    refreshTitle();
}

void AbstractDisplay::setDisplayTypes(QStringList display_types, QString current_display_type)
{
    SignalBlocker<AbstractDisplay> blocker(this);
    QComboBox* kinds = m_toolbar->m_displayTypeComboBox;
    kinds->clear();
    kinds->addItems(display_types);
    kinds->setCurrentIndex(
        kinds->findText(current_display_type, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

void AbstractDisplay::setWindowTitle(QString title)
{
    const QString portLabel = m_toolbar->m_portComboBox->itemText(ownPortEntry());
    QMainWindow::setWindowTitle(title + QStringLiteral(" - ") + portLabel +
                                QStringLiteral(" - %1").arg(QStringLiteral("VORNE")));
}

int AbstractDisplay::ownPortEntry() const
{
    if (m_portType == ItemModel::InputModel)
        return m_portIndex;
    if (m_portType == ItemModel::OutputModel)
        return m_inputPortsCount + m_portIndex;
    return 0;
}

void AbstractDisplay::showDisplay_proxy(int index)
{
    if (index < m_inputPortsCount)
        emit showDisplayForPort(ItemModel::InputModel, index);
    else
        emit showDisplayForPort(ItemModel::OutputModel, index - m_inputPortsCount);
    // The selector always shows this viewer's own port: picking another one opens that port's viewer.
    SignalBlocker<QComboBox> blocker(m_toolbar->m_portComboBox);
    m_toolbar->m_portComboBox->setCurrentIndex(ownPortEntry());
}

void AbstractDisplay::itemIndex_proxy(int index)
{
    // The viewer's own spin box updates run with its signals blocked: only the user's edits get here.
    emit displayIndex(index - 1);
}

void AbstractDisplay::displayedItemDataChanged(int role)
{
    // The display-state writes of display() itself must not loop back.
    if (role == Item::StatusRole || role == Item::TypeRole || role == Item::ValueRole)
        display(m_item);
}

void AbstractDisplay::displayedItemModelChanged()
{
    ItemModel* model = m_item ? m_item->model() : m_portModel.data();
    if (!m_item && !model)
        return;
    if (model != m_model) {
        if (m_model)
            disconnect(m_model, nullptr, this, nullptr);
        m_model = model;
        if (model) {
            connect(model, &ItemModel::rowsCountChanged, this, &AbstractDisplay::displayedItemModelChanged);
            connect(model, &QAbstractItemModel::rowsMoved, this, &AbstractDisplay::displayedItemModelChanged);
        }
    }

    setMaximumItemIndex(model ? model->rowCount() : 0);
    SignalBlocker<AbstractDisplay> blocker(this);
    QSpinBox* spin = m_toolbar->m_indexSpinBox;
    if (m_item) {
        spin->setSpecialValueText(QString());
        spin->setValue(model ? m_item->row() + 1 : 1);
    } else {
        spin->setMinimum(0);
        spin->setSpecialValueText(QStringLiteral("-"));
        spin->setValue(0);
    }
}

void AbstractDisplay::displayedItemDestroyed()
{
    // The item is half destroyed: forget it without touching it.
    m_item = nullptr;
    display(nullptr);
    close();
}

void AbstractDisplay::shake()
{
    if (m_shakeTimerId == -1)
        m_shakeTimerId = startTimer(ShakePeriodMs, Qt::CoarseTimer);
    shakeStep();
}

void AbstractDisplay::shakeStep()
{
    const int step = m_shakeStep % ShakeSteps;
    if (step == 1 || step == 2)
        move(x() + ShakeStepPixels, y());
    else
        move(x() - ShakeStepPixels, y());
    if (++m_shakeStep >= ShakeSteps) {
        killTimer(m_shakeTimerId);
        m_shakeTimerId = -1;
        m_shakeStep = 0;
    }
}

void AbstractDisplay::flash()
{
    if (m_flashTimerId == -1) {
        m_flashTimerId = startTimer(FlashPeriodMs, Qt::CoarseTimer);
        repaint();
    } else {
        endFlash();
    }
}

void AbstractDisplay::endFlash()
{
    killTimer(m_flashTimerId);
    m_flashTimerId = -1;
    repaint();
}

void AbstractDisplay::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_shakeTimerId)
        shakeStep();
    else if (event->timerId() == m_flashTimerId)
        endFlash();
    QMainWindow::timerEvent(event);
}

void AbstractDisplay::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Close) || event->key() == Qt::Key_Escape)
        close();
    QMainWindow::keyPressEvent(event);
}

void AbstractDisplay::paintEvent(QPaintEvent* event)
{
    if (m_flashTimerId == -1) {
        QMainWindow::paintEvent(event);
        return;
    }
    // The toolbar and the central widget paint over this; the flash shows around and between them.
    QPainter painter(this);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawRect(rect());
    event->accept();
}

void AbstractDisplay::contextMenuEvent(QContextMenuEvent* event)
{
    showKindMenu(event->globalPos());
    event->accept();
}

bool AbstractDisplay::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ContextMenu || !watched->isWidgetType())
        return QMainWindow::eventFilter(watched, event);
    auto* widget = static_cast<QWidget*>(watched);
    if (widget == this || widget->window() != this)
        return QMainWindow::eventFilter(watched, event);
    showKindMenu(static_cast<QContextMenuEvent*>(event)->globalPos());
    return true;
}

void AbstractDisplay::showKindMenu(const QPoint& globalPos)
{
    QComboBox* kinds = m_toolbar->m_displayTypeComboBox;
    QMenu menu(this);
    menu.addSection(tr("Viewer kind"));
    for (int i = 0; i < kinds->count(); ++i) {
        QAction* action = menu.addAction(kinds->itemText(i));
        action->setCheckable(true);
        action->setChecked(i == kinds->currentIndex());
        action->setData(i);
    }
    // Through the selector, so that the request leaves exactly as from the toolbar; after the menu has
    // closed, since the request replaces this window.
    if (QAction* chosen = menu.exec(globalPos))
        kinds->setCurrentIndex(chosen->data().toInt());
}

void AbstractDisplay::closeEvent(QCloseEvent* event)
{
    // Closing only hides: the manager shows the same viewer again on the next request for its port.
    QMainWindow::closeEvent(event);
    emit visibilityChanged();
}

void AbstractDisplay::showEvent(QShowEvent* event)
{
    if (m_item && !m_viewUpToDate) {
        updateView(m_item);
        m_viewUpToDate = true;
    }
    if (m_item)
        m_item->setDisplayState(Item::DisplayedVisible);
    QMainWindow::showEvent(event);
    emit visibilityChanged();
}

void AbstractDisplay::hideEvent(QHideEvent* event)
{
    if (m_item)
        m_item->setDisplayState(Item::DisplayedHidden);
    QMainWindow::hideEvent(event);
    emit visibilityChanged();
}

} // namespace VORNE
