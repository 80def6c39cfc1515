#pragma once
// The window's message area: a strip above the tabs that explains what went wrong where the user looks,
// without a modal box, so that neither the user nor a host automating the window is ever blocked.
//
// Messages are keyed by topic ("graph", "parameters", "batch", ...): posting a topic again replaces its
// message, and each message can be closed on its own. The window withdraws a topic when what it is about
// changes (a new run, another graph). A message the user closed stays closed: posting the same text under
// its topic again shows nothing until the window has withdrawn the topic. The strip is hidden while it
// holds none.
#include <QFrame>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>

namespace VORNE {

class MessageBanner : public QFrame
{
    Q_OBJECT

public:
    enum Level { Information, Warning, Error };

    explicit MessageBanner(QWidget* parent = nullptr);

    // An action adds a button with actionText that runs it and then closes the message.
    void post(const QString& topic, Level level, const QString& text, const QString& actionText = QString(),
              const std::function<void()>& action = {});
    // The topic's subject changed: its message goes, and a closed one may show again.
    void withdraw(const QString& topic);

    QStringList topics() const { return m_rows.keys(); }
    // The message of a topic; a null string when there is none.
    QString text(const QString& topic) const;

private:
    void remove(const QString& topic);

    QMap<QString, QWidget*> m_rows;
    // The texts the user closed, by topic.
    QMap<QString, QString> m_closed;
};

} // namespace VORNE
