#include "viewers/displaymanager.h"

#include <QWidget>

#include "items/item.h"
#include "items/itemmodel.h"
#include "viewers/abstractdisplay.h"
#include "viewers/viewerhost.h"
#include "viewers/viewerkinds.h"

namespace VORNE {

namespace {

// Row of the viewer's item, -1 when it holds none (or its item is in no list).
int heldRow(const AbstractDisplay* viewer)
{
    return viewer->item() ? viewer->item()->row() : -1;
}

} // namespace

DisplayManager::DisplayManager(QObject* parent) : QObject(parent)
{
    if (qobject_cast<ViewerHost*>(parent))
        connect(parent, SIGNAL(reloadedGraph()), this, SLOT(reloadModels()));
}

DisplayManager::~DisplayManager()
{
    qDeleteAll(m_inputDisplays);
    qDeleteAll(m_outputDisplays);
}

const QStringList& DisplayManager::displayTypes()
{
    static const QStringList types = [] {
        QStringList names;
        for (const ViewerKind& kind : viewerKinds())
            names << QString::fromLatin1(kind.name);
        return names;
    }();
    return types;
}

AbstractDisplay* DisplayManager::viewer(int portType, int portIndex) const
{
    const QList<AbstractDisplay*>* list = const_cast<DisplayManager*>(this)->displays(portType);
    return list ? list->value(portIndex) : nullptr;
}

QList<AbstractDisplay*>* DisplayManager::displays(int portType)
{
    if (portType == ItemModel::InputModel)
        return &m_inputDisplays;
    if (portType == ItemModel::OutputModel)
        return &m_outputDisplays;
    return nullptr;
}

ItemModel* DisplayManager::model(int portType, int portIndex) const
{
    if (portType == ItemModel::InputModel)
        return m_inputModels.value(portIndex);
    if (portType == ItemModel::OutputModel)
        return m_outputModels.value(portIndex);
    return nullptr;
}

void DisplayManager::portNames(QStringList& inputNames, QStringList& outputNames) const
{
    inputNames.clear();
    outputNames.clear();
    if (const auto* host = qobject_cast<ViewerHost*>(parent())) {
        inputNames = host->portNames(ItemModel::InputModel);
        outputNames = host->portNames(ItemModel::OutputModel);
    }
    // setPortsCount reads one name per port; a short list would be read past its end.
    while (inputNames.size() < m_inputModels.size())
        inputNames << QString();
    while (outputNames.size() < m_outputModels.size())
        outputNames << QString();
}

AbstractDisplay* DisplayManager::createDisplay(QString typeName, int portType, int portIndex)
{
    // A QMainWindow stays a window of its own under a parent; the parent only keeps it above the main
    // window and ties its lifetime to it at the latest.
    const ViewerKind* kind = findViewerKind(typeName);
    if (!kind)
        return nullptr;
    AbstractDisplay* viewer = kind->create(portType, portIndex, qobject_cast<QWidget*>(parent()));

    QStringList inputNames;
    QStringList outputNames;
    portNames(inputNames, outputNames);
    viewer->setPortsCount(m_inputModels.size(), m_outputModels.size(), inputNames, outputNames);
    viewer->setPortModel(model(portType, portIndex));
    viewer->setDisplayTypes(displayTypes(), typeName);
    viewer->setSynced(true);

    connect(viewer, &AbstractDisplay::displayPrevItem, this, &DisplayManager::prevItemRequest);
    connect(viewer, &AbstractDisplay::displayNextItem, this, &DisplayManager::nextItemRequest);
    connect(viewer, &AbstractDisplay::displayIndex, this, &DisplayManager::itemRequest);
    connect(viewer, &AbstractDisplay::showDisplayForPort, this, &DisplayManager::showDisplayForPortRequest);
    connect(viewer, &AbstractDisplay::changeDisplayType, this, &DisplayManager::changeDisplayTypeRequest);
    return viewer;
}

void DisplayManager::reloadModels()
{
    m_inputModels.clear();
    m_outputModels.clear();
    if (const auto* host = qobject_cast<ViewerHost*>(parent())) {
        for (ItemModel* model : host->portModels(ItemModel::InputModel))
            m_inputModels << model;
        for (ItemModel* model : host->portModels(ItemModel::OutputModel))
            m_outputModels << model;
    }
    QStringList inputNames;
    QStringList outputNames;
    portNames(inputNames, outputNames);

    const QString firstKind = displayTypes().first();
    while (m_inputDisplays.size() < m_inputModels.size())
        m_inputDisplays << createDisplay(firstKind, ItemModel::InputModel, m_inputDisplays.size());
    while (m_outputDisplays.size() < m_outputModels.size())
        m_outputDisplays << createDisplay(firstKind, ItemModel::OutputModel, m_outputDisplays.size());
    while (m_inputDisplays.size() > m_inputModels.size())
        delete m_inputDisplays.takeLast();
    while (m_outputDisplays.size() > m_outputModels.size())
        delete m_outputDisplays.takeLast();

    m_reopenings.clear();
    for (const QList<AbstractDisplay*>* list : {&m_inputDisplays, &m_outputDisplays}) {
        for (AbstractDisplay* viewer : *list) {
            viewer->setPortsCount(m_inputModels.size(), m_outputModels.size(), inputNames, outputNames);
            viewer->setPortModel(model(viewer->portType(), viewer->portIndex()));
        }
    }
}

void DisplayManager::rememberOutputViewers()
{
    m_reopenings.clear();
    for (const AbstractDisplay* viewer : qAsConst(m_outputDisplays)) {
        if (viewer->isVisible())
            m_reopenings << Reopening{viewer->portIndex(), heldRow(viewer), viewer->geometry()};
    }
    for (const QPointer<ItemModel>& output : qAsConst(m_outputModels)) {
        if (output)
            // Insertions only: emptying the other output lists must not reopen a viewer on an old item.
            connect(output, &QAbstractItemModel::rowsInserted, this, &DisplayManager::reopenOutputViewers,
                    Qt::UniqueConnection);
    }
}

void DisplayManager::reopenOutputViewers()
{
    for (int i = m_reopenings.size() - 1; i >= 0; --i) {
        const Reopening reopening = m_reopenings.at(i);
        ItemModel* output = m_outputModels.value(reopening.port);
        Item* item = output ? output->item(reopening.itemIndex) : nullptr;
        AbstractDisplay* viewer = m_outputDisplays.value(reopening.port);
        if (!item || !viewer)
            continue;
        m_reopenings.removeAt(i);
        viewer->setGeometry(reopening.geometry);
        viewer->display(item); // rendered once, when shown
        viewer->show();
    }
}

void DisplayManager::forgetReopening(const AbstractDisplay* viewer)
{
    if (viewer->portType() != ItemModel::OutputModel)
        return;
    for (int i = m_reopenings.size() - 1; i >= 0; --i) {
        if (m_reopenings.at(i).port == viewer->portIndex())
            m_reopenings.removeAt(i);
    }
}

void DisplayManager::showItem(int portType, int portIndex, int itemIndex)
{
    AbstractDisplay* target = viewer(portType, portIndex);
    if (!target)
        return;
    forgetReopening(target);
    target->show();

    if (!target->isSynced()) {
        ItemModel* own = model(portType, portIndex);
        Item* item = own ? own->item(itemIndex) : nullptr;
        if (item)
            target->display(item);
        else
            target->shake();
        return;
    }

    // The requesting viewer is one of the synced ones and moves with them. Copies: display() can run a
    // plug-in, whose event processing may deliver further requests.
    const auto follow = [itemIndex](const QList<AbstractDisplay*> viewers, const QList<QPointer<ItemModel>> models) {
        for (int port = 0; port < viewers.size(); ++port) {
            ItemModel* portModel = models.value(port);
            Item* item = portModel ? portModel->item(itemIndex) : nullptr;
            if (!item)
                viewers[port]->shake();
            else if (viewers[port]->isSynced())
                viewers[port]->display(item);
        }
    };
    follow(m_inputDisplays, m_inputModels);
    follow(m_outputDisplays, m_outputModels);
}

void DisplayManager::showImage(QModelIndex index)
{
    if (const auto* itemModel = qobject_cast<const ItemModel*>(index.model()))
        showItem(itemModel->direction(), itemModel->port(), index.row());
}

AbstractDisplay* DisplayManager::requestingDisplay() const
{
    return qobject_cast<AbstractDisplay*>(sender());
}

void DisplayManager::prevItemRequest()
{
    stepRequest(-1);
}

void DisplayManager::nextItemRequest()
{
    stepRequest(1);
}

void DisplayManager::stepRequest(int step)
{
    AbstractDisplay* from = requestingDisplay();
    if (!from)
        return;
    if (from->item()) {
        showItem(from->portType(), from->portIndex(), from->item()->row() + step);
        return;
    }
    // Stepping from "none" must not ask every synced viewer for item -1.
    ItemModel* own = model(from->portType(), from->portIndex());
    const int rows = own ? own->rowCount() : 0;
    if (rows == 0)
        from->shake();
    else
        showItem(from->portType(), from->portIndex(), step > 0 ? 0 : rows - 1);
}

void DisplayManager::itemRequest(int index)
{
    if (AbstractDisplay* from = requestingDisplay())
        showItem(from->portType(), from->portIndex(), index);
}

void DisplayManager::showDisplayForPortRequest(int port_type, int port_index)
{
    AbstractDisplay* from = requestingDisplay();
    if (!from)
        return;
    AbstractDisplay* target = viewer(port_type, port_index);
    if (!target)
        return;
    if (!target->isVisible())
        openAlone(target, from);
    if (target->isVisible()) {
        target->shake();
        target->flash();
    }
    target->activateWindow();
    target->raise();
}

void DisplayManager::openAlone(AbstractDisplay* target, const AbstractDisplay* from)
{
    forgetReopening(target);
    // Opening a viewer moves no other: one without an item takes the asking viewer's number when both
    // are synced and its port has that item.
    if (!target->item() && target->isSynced() && from->isSynced()) {
        ItemModel* own = model(target->portType(), target->portIndex());
        if (Item* item = own ? own->item(heldRow(from)) : nullptr)
            target->display(item);
    }
    target->show();
}

void DisplayManager::changeDisplayTypeRequest(QString display_type)
{
    AbstractDisplay* old = requestingDisplay();
    if (!old)
        return;
    QList<AbstractDisplay*>* list = displays(old->portType());
    const int place = list ? list->indexOf(old) : -1;
    if (place < 0)
        return;
    AbstractDisplay* replacement = createDisplay(display_type, old->portType(), old->portIndex());
    if (!replacement) {
        old->shake();
        return;
    }
    const int itemIndex = heldRow(old);
    replacement->setSynced(old->isSynced());
    replacement->setGeometry(old->geometry());
    replacement->move(old->pos());
    (*list)[place] = replacement;
    // The old window would otherwise stay on screen until deleted and, on deletion, mark the item that its
    // replacement now shows as not displayed.
    old->display(nullptr);
    old->deleteLater();
    showItem(replacement->portType(), replacement->portIndex(), itemIndex);
}

} // namespace VORNE
