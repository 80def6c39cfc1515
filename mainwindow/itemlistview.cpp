#include "mainwindow/itemlistview.h"

#include <QTimer>

namespace VORNE {

namespace {

constexpr int flushInterval = 100; // ms; as the port titles follow a batch

} // namespace

ItemListView::ItemListView(QWidget* parent) : QListView(parent), m_flush(new QTimer(this))
{
    m_flush->setSingleShot(true);
    connect(m_flush, &QTimer::timeout, this, &ItemListView::flushAppendedRows);
}

void ItemListView::setModel(QAbstractItemModel* model)
{
    m_flush->stop();
    m_heldFirst = m_heldLast = -1;
    QListView::setModel(model);
}

void ItemListView::reset()
{
    // A reset lays out every row anew, the held-back ones with them.
    m_flush->stop();
    m_heldFirst = m_heldLast = -1;
    QListView::reset();
}

void ItemListView::flushAppendedRows()
{
    m_flush->stop();
    m_flushed.start();
    if (m_heldFirst < 0)
        return;
    const int first = m_heldFirst;
    const int last = m_heldLast;
    m_heldFirst = m_heldLast = -1;
    QListView::rowsInserted(rootIndex(), first, last);
}

void ItemListView::rowsInserted(const QModelIndex& parent, int start, int end)
{
    const bool appended = parent == rootIndex() && model() && end == model()->rowCount(parent) - 1 &&
                          (m_heldFirst < 0 || start == m_heldLast + 1);
    if (!appended) {
        flushAppendedRows();
        QListView::rowsInserted(parent, start, end);
        return;
    }
    if (m_heldFirst < 0)
        m_heldFirst = start;
    m_heldLast = end;
    if (!m_flushed.isValid() || m_flushed.elapsed() >= flushInterval)
        flushAppendedRows();
    else if (!m_flush->isActive())
        m_flush->start(int(flushInterval - m_flushed.elapsed()));
}

} // namespace VORNE
