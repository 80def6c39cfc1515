#pragma once
// The list view of an input port. Besides showing the port's items it takes files dropped from a file
// manager and hands their local paths on; what becomes of them is the main window's decision.
#include "mainwindow/itemlistview.h"
#include <QStringList>

class QMimeData;

namespace VORNE {

class FileDropListView : public ItemListView
{
    Q_OBJECT

public:
    explicit FileDropListView(QWidget* parent = nullptr);

    // The local files of a drag, in the order they were dragged; folders and remote URLs are left out.
    static QStringList localFiles(const QMimeData* mime);

signals:
    void filesDropped(const QStringList& paths);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

} // namespace VORNE
