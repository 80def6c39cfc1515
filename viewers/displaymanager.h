#pragma once
// Owns the viewer windows, one per port of the loaded graph, and decides what each shows. Viewers only ask
// (previous, next, an item number, another port, another kind); the manager answers by calling display()
// on them. Synced viewers all move to the same item number, each in its own port's list, hidden ones
// included, so that showing a viewer later shows the item that matches the others.
#include <QList>
#include <QModelIndex>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>

namespace VORNE {

class AbstractDisplay;
class ItemModel;

class DisplayManager : public QObject
{
    Q_OBJECT

public:
    // The parent is the main widget: its reloadedGraph() drives the viewer lists and its port lists and
    // names are read at every reload.
    explicit DisplayManager(QObject* parent);
    ~DisplayManager() override;

    // The viewer kinds every kind selector offers, in this order; the first is the kind of a new viewer.
    static const QStringList& displayTypes();

    // Opens the viewer of the index's port at the index's row (a double-click in an item list).
    void showImage(QModelIndex index);

    // Called as a run starts, before its output lists are emptied (which closes their viewers): the output
    // viewers open now open again, at the same place and item number, once the run has produced that item.
    // One the user opens meanwhile is left to the user.
    void rememberOutputViewers();

    // For tests and the screenshot tool: the viewer of a port, or null.
    AbstractDisplay* viewer(int portType, int portIndex) const;

protected slots:
    void prevItemRequest();
    void nextItemRequest();
    void itemRequest(int index);
    void showDisplayForPortRequest(int port_type, int port_index);
    void changeDisplayTypeRequest(QString display_type);

private slots:
    void reloadModels();
    void reopenOutputViewers();

private:
    // A new hidden viewer of that kind bound to the port, wired to the request slots; null for an unknown
    // kind.
    AbstractDisplay* createDisplay(QString typeName, int portType, int portIndex);
    void showItem(int portType, int portIndex, int itemIndex);
    // Next (+1) or previous (-1) from the sending viewer's item; without one, from the port's first or
    // last item.
    void stepRequest(int step);
    // The viewer shows no longer after a run: the user has it in hand.
    void forgetReopening(const AbstractDisplay* viewer);
    // Shows a hidden viewer that another one asked for, without moving any other viewer.
    void openAlone(AbstractDisplay* target, const AbstractDisplay* from);
    AbstractDisplay* requestingDisplay() const;
    QList<AbstractDisplay*>* displays(int portType);
    ItemModel* model(int portType, int portIndex) const;
    // Names of the parent's ports; empty lists when the parent is not the main widget.
    void portNames(QStringList& inputNames, QStringList& outputNames) const;

    QList<AbstractDisplay*> m_inputDisplays;
    QList<AbstractDisplay*> m_outputDisplays;
    // Guarded: the main widget deletes the models of vanished ports before it announces the reload (and a
    // failed load announces nothing), while a visible viewer can still send requests.
    QList<QPointer<ItemModel>> m_inputModels;
    QList<QPointer<ItemModel>> m_outputModels;

    // An output viewer to open again once its port has the item; the viewer keeps its kind and synced flag.
    struct Reopening
    {
        int port;
        int itemIndex;
        QRect geometry;
    };
    QList<Reopening> m_reopenings;
};

} // namespace VORNE
