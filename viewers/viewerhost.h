#pragma once
// What the viewer manager reads from the main widget that owns it, so that viewers/ needs nothing of
// mainwindow/: the port lists and their names, read at every reload and viewer creation. The widget also
// has the signal reloadedGraph(), emitted once those lists have been rebuilt for a new graph; a signal
// cannot be part of a class that is not a QObject, so the manager connects to it by name.
#include <QList>
#include <QObject>
#include <QStringList>

namespace VORNE {

class ItemModel;

class ViewerHost
{
public:
    virtual ~ViewerHost() = default;

    // portType is ItemModel::InputModel or ItemModel::OutputModel; any other gives empty lists.
    virtual QList<ItemModel*> portModels(int portType) const = 0;
    virtual QStringList portNames(int portType) const = 0;
};

} // namespace VORNE

Q_DECLARE_INTERFACE(VORNE::ViewerHost, "org.vorne.ViewerHost/1")
