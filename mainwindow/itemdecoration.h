#pragma once
// How items look in the window's lists and viewers: the status icon from the application style, italic
// and bold for items a viewer holds, and the brush. The item itself lives below the GUI, so the main
// widget hands this answer to it (Item::setDecoration) when it is created.
#include <QVariant>

namespace VORNE {

class Item;

// Qt::DecorationRole, Qt::FontRole or Qt::ForegroundRole of the item; an invalid variant for other roles.
QVariant itemDecoration(const Item& item, int role);

} // namespace VORNE
