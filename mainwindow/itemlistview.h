#pragma once
// The list view of a port's items. QListView forgets its whole layout on every insertion and lays out
// every row again; a batch appends one output per step and turns the event loop in between, so a list in
// view would redo, at each step, a layout that grows with the batch. Appended rows are handed on to
// QListView at most ten times a second instead. Meanwhile the rows laid out before stay shown as they were
// and the new ones are not painted yet; an insertion elsewhere hands the held-back ones on first, and a
// removal or a reset lays out every row anyway.
#include <QElapsedTimer>
#include <QListView>

class QTimer;

namespace VORNE {

class ItemListView : public QListView
{
    Q_OBJECT

public:
    explicit ItemListView(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;
    void reset() override;

    // Hands the rows held back so far on at once.
    void flushAppendedRows();

protected:
    void rowsInserted(const QModelIndex& parent, int start, int end) override;

private:
    QTimer* m_flush = nullptr;
    QElapsedTimer m_flushed;
    int m_heldFirst = -1;
    int m_heldLast = -1;
};

} // namespace VORNE
