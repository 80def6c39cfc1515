#include "mainwindow/itemdelegate.h"

#include <QApplication>

#include "items/item.h"

namespace VORNE {

void ItemDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.data(Item::StatusRole).toInt() == Item::ErrorStatus)
        return;
    const QPalette& palette = option->widget ? option->widget->palette() : QApplication::palette();
    option->palette.setBrush(QPalette::Text, palette.brush(QPalette::Text));
}

} // namespace VORNE
