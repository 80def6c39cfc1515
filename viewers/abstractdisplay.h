#pragma once
// The base of every viewer window: a top-level window bound for its whole life to one port (input 1001 or
// output 1002, by index) that shows at most one item of that port.
//
// A viewer never chooses its next item. Its toolbar turns the user's wishes into requests (previous, next,
// an item number, another port's viewer, another viewer kind) and whoever manages the viewers answers by
// calling display(). The base keeps the held item's display state current, follows the item's model for the
// range of item numbers, and renders (updateView, the subclass's job) only while the window is visible:
// an item given to a hidden viewer is rendered once, when the window is shown.
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>

namespace VORNE {

class DisplayToolbar;
class Item;
class ItemModel;

class AbstractDisplay : public QMainWindow
{
    Q_OBJECT

public:
    AbstractDisplay(int portType, int portIndex, QWidget* parent = nullptr);
    ~AbstractDisplay() override;

    // Only read by the viewer manager; the viewer itself behaves the same either way.
    void setSynced(bool synced);
    bool isSynced() const { return m_synced; }
    int portType() const { return m_portType; }
    int portIndex() const { return m_portIndex; }
    // The displayed item, or null.
    Item* item() const { return m_item; }
    DisplayToolbar* toolbar() const { return m_toolbar; }
    // The list of the viewer's own port. While no item is held the item numbers follow it, so that a
    // number can be typed; "-" stands for "none shown".
    void setPortModel(ItemModel* model);

signals:
    void displayPrevItem();
    void displayNextItem();
    void displayIndex(int item_index);
    void showDisplayForPort(int port_type, int port_index);
    void changeDisplayType(QString display_type);
    void visibilityChanged();

public slots:
    void toggleSynced();
    // Null releases the held item and closes the window.
    virtual void display(VORNE::Item* item);
    void setCurrentItemIndex(int index);
    void setMaximumItemIndex(int max_index);
    // The name lists need at least input_ports and output_ports entries.
    void setPortsCount(int input_ports, int output_ports, QList<QString> input_names,
                       QList<QString> output_names);
    // With an unknown current name no entry is selected.
    void setDisplayTypes(QStringList display_types, QString current_display_type);
    void shake();
    // A toggle: a second call while a flash runs ends it at once.
    void flash();
    // The title gets the port's label and the program name appended.
    void setWindowTitle(QString title);

protected slots:
    // Renders the item; true when it could.
    virtual bool updateView(VORNE::Item* item) = 0;

protected:
    void timerEvent(QTimerEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // Anywhere in the window that nothing else claims: the viewer kinds, so that the kind can be changed
    // even when the toolbar's selector sits in its overflow menu.
    void contextMenuEvent(QContextMenuEvent* event) override;
    // A right-click on any widget of this window (a value viewer's text box, a plug-in's view) opens the
    // viewer kinds too, instead of that widget's own menu.
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void showDisplay_proxy(int index);
    void itemIndex_proxy(int index);
    void displayedItemDataChanged(int role);
    void displayedItemModelChanged();
    void displayedItemDestroyed();

private:
    int ownPortEntry() const;
    // The title as display() gives it, with the current port label.
    void refreshTitle();
    void showKindMenu(const QPoint& globalPos);
    void shakeStep();
    void endFlash();

    DisplayToolbar* m_toolbar;
    Item* m_item = nullptr;
    bool m_viewUpToDate = false;
    int m_portType;
    int m_portIndex;
    bool m_synced = true;
    QPointer<ItemModel> m_model;
    QPointer<ItemModel> m_portModel;
    int m_inputPortsCount = 0;
    int m_shakeTimerId = -1;
    int m_shakeStep = 0;
    int m_flashTimerId = -1;
};

} // namespace VORNE
