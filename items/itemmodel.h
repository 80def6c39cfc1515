#pragma once
// The list of items of one port: the batch entries of an input port or the results of an output port.
// A flat list with one column; every index carries its Item* as internal pointer. The model owns its items:
// removing a row or destroying the model deletes them.
#include <QAbstractItemModel>
#include <QList>

#include "kora/imageio.h"

namespace VORNE {

class Item;

class ItemModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    // The same codes serve as port types everywhere.
    enum Direction { InputModel = 1001, OutputModel = 1002 };

    ItemModel(int direction, int port, QObject* parent = nullptr);
    ~ItemModel() override;

    using QObject::parent;

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Deletes the items of the rows.
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;
    // destinationChild is the row before which the block goes, counted before the move.
    bool moveRows(const QModelIndex& sourceParent, int sourceRow, int count,
                  const QModelIndex& destinationParent, int destinationChild) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Takes the item over (an item of another model leaves that model first).
    bool appendItem(Item* item);
    Item* item(int row) const;
    int indexOf(Item* item) const;
    // Rows with no item yet, for a list far longer than what is in use at a time (a headless batch of
    // 100,000 files): item() answers null for them until placeItem() fills them.
    void appendEmptyRows(int count);
    // Takes the item over into an empty row; false, leaving the item to the caller, when the item is in a
    // list already, or the row is out of range or holds an item. Writes only that row, so another thread may meanwhile ask the row of an item
    // placed before.
    bool placeItem(int row, Item* item);
    // Deletes the item of a row and leaves the row empty.
    void emptyRow(int row);
    void clear();
    // After the move the item sits at row to.
    bool moveRow(const QModelIndex& sourceParent, int from, const QModelIndex& destinationParent, int to);

    int direction() const { return m_direction; }
    int port() const { return m_port; }

    // The channel and time point that the port's multi-channel or time-lapse image files give (their Z
    // stack there), the same for every file of the port; a negative channel clears it. Set between runs.
    void setPlaneChoice(int channel, int timePoint);
    bool hasPlaneChoice() const { return (m_loadConfig.flags & KORA::IMG_LOAD_PLANE) != 0; }
    // How the port's image files are loaded.
    const KORA::StImgLoadCfg& loadConfig() const { return m_loadConfig; }
    // The choice as a run's digest takes it in, "\nplane 0: 1 0"; empty without one.
    QString planeChoiceText() const;

signals:
    void rowsCountChanged(int rows);

public slots:
    void itemDataChanged(VORNE::Item* item);
    // The sender is the item.
    void itemDataChanged();
    void onRowsCountChange();

private:
    // Makes the model the item's parent and listener; the item sits at row.
    void attach(Item* item, int row);
    // Takes an item out of the list without deleting it.
    void releaseItem(Item* item);

    QList<Item*> m_items;
    int m_direction;
    int m_port;
    KORA::StImgLoadCfg m_loadConfig;
};

} // namespace VORNE
