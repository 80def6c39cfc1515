#include "items/itemmodel.h"

#include <QtAlgorithms>

#include <iostream>

#include "items/item.h"

namespace VORNE {

void ItemModel::setPlaneChoice(int channel, int timePoint)
{
    m_loadConfig = channel < 0 ? KORA::StImgLoadCfg() : KORA::StImgLoadCfg{KORA::IMG_LOAD_PLANE, channel, timePoint};
}

QString ItemModel::planeChoiceText() const
{
    if (!hasPlaneChoice())
        return QString();
    return QStringLiteral("\nplane %1: %2 %3").arg(m_port).arg(m_loadConfig.channel).arg(m_loadConfig.timePoint);
}

ItemModel::ItemModel(int direction, int port, QObject* parent)
    : QAbstractItemModel(parent)
    , m_direction(direction)
    , m_port(port)
{
    connect(this, &QAbstractItemModel::rowsInserted, this, &ItemModel::onRowsCountChange);
    connect(this, &QAbstractItemModel::rowsRemoved, this, &ItemModel::onRowsCountChange);
}

ItemModel::~ItemModel()
{
    // Taken out first so that no item is reachable through the list while it dies.
    const QList<Item*> items = m_items;
    m_items.clear();
    qDeleteAll(items);
}

QModelIndex ItemModel::index(int row, int column, const QModelIndex&) const
{
    if (row < 0 || row >= m_items.size())
        return QModelIndex();
    return createIndex(row, column, m_items.at(row));
}

QModelIndex ItemModel::parent(const QModelIndex&) const
{
    return QModelIndex();
}

int ItemModel::rowCount(const QModelIndex&) const
{
    return m_items.size();
}

int ItemModel::columnCount(const QModelIndex&) const
{
    return 1;
}

QVariant ItemModel::data(const QModelIndex& index, int role) const
{
    const Item* entry = item(index.row());
    return entry ? entry->data(role) : QVariant();
}

bool ItemModel::removeRows(int row, int count, const QModelIndex&)
{
    // An empty or out-of-range removal is not announced: views must never see an inverted range.
    const int last = qMin(row + count, m_items.size()) - 1;
    if (row < 0 || last < row)
        return true;
    beginRemoveRows(QModelIndex(), row, last);
    for (int i = 0; i < count && row < m_items.size(); ++i)
        delete m_items.takeAt(row);
    endRemoveRows();
    return true;
}

bool ItemModel::moveRows(const QModelIndex&, int sourceRow, int count, const QModelIndex&, int destinationChild)
{
    const int rows = m_items.size();
    if (count < 1 || sourceRow < 0 || sourceRow >= rows || destinationChild < 0 || destinationChild >= rows ||
        sourceRow + count > rows)
        return false;
    if (sourceRow <= destinationChild && destinationChild < sourceRow + count)
        return false;
    if (!beginMoveRows(QModelIndex(), sourceRow, sourceRow + count - 1, QModelIndex(), destinationChild)) {
        std::cerr << "ItemModel::moveRows(): " << "beginMoveRows() returned false. Check this." << std::endl;
        return false;
    }
    if (destinationChild < sourceRow) {
        for (int i = 0; i < count && sourceRow + i < m_items.size(); ++i)
            m_items.move(sourceRow + i, destinationChild + i);
    } else {
        for (int i = 0; i < count; ++i)
            m_items.move(sourceRow, destinationChild - 1);
    }
    endMoveRows();
    return true;
}

Qt::ItemFlags ItemModel::flags(const QModelIndex& index) const
{
    return QAbstractItemModel::flags(index);
}

bool ItemModel::appendItem(Item* item)
{
    if (!item || (item->model() == this && m_items.contains(item)))
        return false;
    if (ItemModel* previous = item->model())
        previous->releaseItem(item);
    const int row = m_items.size();
    attach(item, row);
    beginInsertRows(QModelIndex(), row, row);
    m_items.append(item);
    endInsertRows();
    return true;
}

void ItemModel::attach(Item* item, int row)
{
    item->setModel(this);
    connect(item, &Item::dataChanged, this, qOverload<>(&ItemModel::itemDataChanged));
    item->m_appendedRow.store(row, std::memory_order_relaxed);
}

void ItemModel::releaseItem(Item* item)
{
    const int row = m_items.indexOf(item);
    if (row < 0)
        return;
    beginRemoveRows(QModelIndex(), row, row);
    m_items.removeAt(row);
    endRemoveRows();
}

Item* ItemModel::item(int row) const
{
    return row >= 0 && row < m_items.size() ? m_items.at(row) : nullptr;
}

int ItemModel::indexOf(Item* item) const
{
    // Empty rows hold null, which is no item's row.
    if (!item)
        return -1;
    const int appended = item ? item->m_appendedRow.load(std::memory_order_relaxed) : -1;
    if (appended >= 0 && appended < m_items.size() && m_items.at(appended) == item)
        return appended;
    return m_items.indexOf(item);
}

void ItemModel::appendEmptyRows(int count)
{
    if (count < 1)
        return;
    const int row = m_items.size();
    beginInsertRows(QModelIndex(), row, row + count - 1);
    m_items.reserve(row + count);
    for (int i = 0; i < count; ++i)
        m_items.append(nullptr);
    endInsertRows();
}

bool ItemModel::placeItem(int row, Item* item)
{
    if (!item || item->model() || row < 0 || row >= m_items.size() || m_items.at(row))
        return false;
    m_items[row] = item;
    attach(item, row);
    const QModelIndex changed = index(row, 0);
    emit dataChanged(changed, changed, QVector<int>());
    return true;
}

void ItemModel::emptyRow(int row)
{
    Item* item = this->item(row);
    if (!item)
        return;
    // Out of the list first: nothing reaches the item through it while it dies.
    m_items[row] = nullptr;
    const QModelIndex changed = index(row, 0);
    emit dataChanged(changed, changed, QVector<int>());
    delete item;
}

void ItemModel::clear()
{
    removeRows(0, rowCount());
}

bool ItemModel::moveRow(const QModelIndex&, int from, const QModelIndex&, int to)
{
    const int rows = m_items.size();
    if (from < 0 || from >= rows || to < 0 || to >= rows || from == to)
        return false;
    // Qt counts the destination before the move; a downward move lands one row further.
    if (!beginMoveRows(QModelIndex(), from, from, QModelIndex(), to < from ? to : to + 1))
        return false;
    m_items.move(from, to);
    endMoveRows();
    return true;
}

void ItemModel::itemDataChanged(Item* item)
{
    if (!item)
        item = qobject_cast<Item*>(sender());
    if (!item)
        return;
    const QModelIndex changed = index(item->row(), 0);
    if (changed.isValid())
        emit dataChanged(changed, changed, QVector<int>());
}

void ItemModel::itemDataChanged()
{
    itemDataChanged(nullptr);
}

void ItemModel::onRowsCountChange()
{
    emit rowsCountChanged(rowCount());
}

} // namespace VORNE
