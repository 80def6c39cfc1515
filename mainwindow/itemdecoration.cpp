#include "mainwindow/itemdecoration.h"

#include <QApplication>
#include <QBrush>
#include <QFont>
#include <QHash>
#include <QIcon>
#include <QStyle>

#include "items/item.h"
#include "items/itemmodel.h"

namespace VORNE {

namespace {

// The style reads its icons from files on every request, and a list asks once per row and repaint: each
// icon is fetched once per style.
QIcon styleIcon(QStyle* style, QStyle::StandardPixmap pixmap)
{
    static QStyle* cachedFor = nullptr;
    static QHash<int, QIcon> icons;
    if (cachedFor != style) {
        icons.clear();
        cachedFor = style;
    }
    auto found = icons.find(pixmap);
    if (found == icons.end())
        found = icons.insert(pixmap, style->standardIcon(pixmap));
    return *found;
}

QVariant statusIcon(const Item& item)
{
    QStyle* style = QApplication::style();
    if (!style) // no widgets in this process
        return QVariant();
    switch (item.status()) {
    case Item::ErrorStatus:
        return styleIcon(style, QStyle::SP_MessageBoxCritical);
    case Item::WarningStatus:
        return styleIcon(style, QStyle::SP_MessageBoxWarning);
    case Item::OkStatus: {
        const ItemModel* owner = item.model();
        if (owner && owner->direction() == ItemModel::OutputModel)
            return styleIcon(style, QStyle::SP_DialogOkButton);
        return QVariant();
    }
    default:
        return QVariant();
    }
}

QFont displayStateFont(int state)
{
    QFont font;
    if (state == Item::DisplayedHidden || state == Item::DisplayedVisible)
        font.setItalic(true);
    if (state == Item::DisplayedVisible)
        font.setWeight(QFont::Bold);
    return font;
}

} // namespace

QVariant itemDecoration(const Item& item, int role)
{
    switch (role) {
    case Qt::DecorationRole:
        return statusIcon(item);
    case Qt::FontRole:
        return displayStateFont(item.displayState());
    case Qt::ForegroundRole: {
        // A default brush paints black text; items without a result stand out in dark red.
        QBrush brush;
        if (item.status() == Item::ErrorStatus)
            brush.setColor(Qt::darkRed);
        return brush;
    }
    default:
        return QVariant();
    }
}

} // namespace VORNE
