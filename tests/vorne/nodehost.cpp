#include "nodehost.h"

#include <QtCore>

#include <string>

#include "kora/exception.h"
#include "kora/node.h"
#include "kora/serializer.h"
#include "kora/valuepointer.h"

NodeHost::NodeHost(const char* entry) : m_window(std::make_unique<HostWidget>())
{
    const std::string path = std::string("%KORADIR%/bin/vorne::") + entry;
    std::unique_ptr<KORA::IPluginObject> object(KORA::GetPluginObject("vorne", path.c_str(), nullptr));
    m_node = dynamic_cast<KORA::CPNode*>(object.get());
    if (m_node == nullptr)
        throw KORA::CException("the plug-in object is no node", path);
    object.release();
}

NodeHost::~NodeHost()
{
    delete m_node;
}

QWidget* NodeHost::widget() const
{
    return dynamic_cast<QWidget*>(m_node);
}

void NodeHost::offerWindow()
{
    m_node->Parameters().SetEntry("ParameterUiParentWidget", new KORA::CValuePointer<QWidget>(m_window.get()));
}

KORA::CValueMap* NodeHost::readGraphMap(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    const QByteArray text = file.readAll();
    std::unique_ptr<KORA::CValue> value(
        KORA::CTextSerializer(true, false, nullptr).Deserialize(text.constData(), text.size()));
    auto* map = dynamic_cast<KORA::CValueMap*>(value.get());
    if (map != nullptr)
        value.release();
    return map;
}

void NodeHost::offerGraph(const QString& path, bool notify)
{
    if (KORA::CValueMap* map = readGraphMap(path))
        m_node->Parameters().SetEntry("GraphMap", map);
    if (notify)
        emit m_window->GraphMapChanged();
}

void NodeHost::init()
{
    m_node->Init(nullptr);
}
