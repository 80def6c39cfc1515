#pragma once
// The window's message area: a strip above the tabs that explains what went wrong where the user looks,
// without a modal box, so that neither the user nor a host automating the window is ever blocked.
//
// Messages are keyed by topic ("graph", "parameters", "batch", ...): posting a topic again replaces its
// message, and each message can be closed on its own. The strip is hidden while it holds none.
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
    void withdraw(const QString& topic);

    QStringList topics() const { return m_rows.keys(); }
    // The message of a topic; a null string when there is none.
    QString text(const QString& topic) const;

private:
    QMap<QString, QWidget*> m_rows;
};

} // namespace VORNE
