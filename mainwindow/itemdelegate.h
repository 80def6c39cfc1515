#pragma once
// Paints the items of a port's list. Items answer the foreground role with a default brush, which views
// paint black whatever the theme; this delegate paints every item but an error in the view's own text
// colour, so that lists stay readable on dark themes, without changing what the items answer.
#include <QStyledItemDelegate>

namespace VORNE {

class ItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

} // namespace VORNE
