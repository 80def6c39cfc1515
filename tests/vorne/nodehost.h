#pragma once
// The suite's side of an embedded VORNE, as far as the node relies on it: the library is reached only
// through the plug-in runner by path, the host window announces graph changes with GraphMapChanged(), and
// the host's current graph travels as a map in the node parameters.
#include <QString>
#include <QWidget>

#include <memory>

namespace KORA {
class CPNode;
class CValueMap;
} // namespace KORA

class HostWidget : public QWidget
{
    Q_OBJECT
signals:
    void GraphMapChanged();
};

class NodeHost
{
public:
    // Loads "%KORADIR%/bin/vorne::<entry>"; throws what the plug-in runner throws.
    explicit NodeHost(const char* entry = "Vorne");
    // The node goes first: it may live inside the host window, which would otherwise delete it as a child.
    ~NodeHost();

    KORA::CPNode& node() const { return *m_node; }
    // The node's widget side, found the way the suite finds it: by casting the plug-in object.
    QWidget* widget() const;
    HostWidget& window() const { return *m_window; }
    template <class T>
    T* find(const char* name) const
    {
        return widget()->findChild<T*>(QString::fromLatin1(name));
    }

    void offerWindow();
    // Reads a graph file as the suite holds its open graph: a value map (null for an unreadable file).
    static KORA::CValueMap* readGraphMap(const QString& path);
    // Puts the graph into the node parameters; with notify the window announces the change.
    void offerGraph(const QString& path, bool notify = false);
    // The suite's initialisation: declared defaults, the parameters set so far, then NodeInit().
    void init();

private:
    std::unique_ptr<HostWidget> m_window;
    KORA::CPNode* m_node = nullptr;
};
