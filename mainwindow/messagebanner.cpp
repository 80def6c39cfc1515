#include "mainwindow/messagebanner.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace VORNE {

namespace {

QStyle::StandardPixmap levelIcon(MessageBanner::Level level)
{
    switch (level) {
    case MessageBanner::Error: return QStyle::SP_MessageBoxCritical;
    case MessageBanner::Warning: return QStyle::SP_MessageBoxWarning;
    default: return QStyle::SP_MessageBoxInformation;
    }
}

// Hues mixed into the palette's window colour (see post()), so that the strip reads on light and dark themes.
QColor levelTint(MessageBanner::Level level)
{
    switch (level) {
    case MessageBanner::Error: return QColor(218, 68, 83);
    case MessageBanner::Warning: return QColor(246, 116, 0);
    default: return QColor(61, 174, 233);
    }
}

} // namespace

MessageBanner::MessageBanner(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("message_banner"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    hide();
}

void MessageBanner::post(const QString& topic, Level level, const QString& text, const QString& actionText,
                         const std::function<void()>& action)
{
    remove(topic);
    if (m_closed.contains(topic) && m_closed.value(topic) == text)
        return;
    m_closed.remove(topic);
    auto* row = new QFrame(this);
    row->setObjectName(QStringLiteral("message_") + topic);
    row->setFrameShape(QFrame::StyledPanel);
    row->setAutoFillBackground(true);
    QPalette palette = row->palette();
    const QColor window = palette.color(QPalette::Window);
    const QColor tint = levelTint(level);
    palette.setColor(QPalette::Window, QColor((window.red() * 4 + tint.red()) / 5,
                                              (window.green() * 4 + tint.green()) / 5,
                                              (window.blue() * 4 + tint.blue()) / 5));
    row->setPalette(palette);

    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(6, 4, 4, 4);
    auto* icon = new QLabel(row);
    icon->setPixmap(QApplication::style()->standardIcon(levelIcon(level)).pixmap(16, 16));
    layout->addWidget(icon, 0, Qt::AlignTop);
    auto* label = new QLabel(text, row);
    label->setObjectName(QStringLiteral("text"));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(label, 1);
    if (action) {
        auto* button = new QPushButton(actionText, row);
        button->setObjectName(QStringLiteral("action"));
        connect(button, &QPushButton::clicked, this, [this, topic, action] {
            withdraw(topic);
            action();
        });
        layout->addWidget(button, 0, Qt::AlignTop);
    }
    auto* close = new QToolButton(row);
    close->setObjectName(QStringLiteral("close"));
    close->setAutoRaise(true);
    close->setIcon(QApplication::style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    close->setToolTip(tr("Close this message"));
    connect(close, &QToolButton::clicked, this, [this, topic, text] {
        remove(topic);
        m_closed.insert(topic, text);
    });
    layout->addWidget(close, 0, Qt::AlignTop);

    static_cast<QVBoxLayout*>(this->layout())->addWidget(row);
    m_rows.insert(topic, row);
    show();
}

void MessageBanner::withdraw(const QString& topic)
{
    m_closed.remove(topic);
    remove(topic);
}

void MessageBanner::remove(const QString& topic)
{
    QWidget* row = m_rows.take(topic);
    if (row == nullptr)
        return;
    row->hide();
    row->deleteLater();
    if (m_rows.isEmpty())
        hide();
}

QString MessageBanner::text(const QString& topic) const
{
    const QWidget* row = m_rows.value(topic);
    if (row == nullptr)
        return QString();
    return row->findChild<QLabel*>(QStringLiteral("text"))->text();
}

} // namespace VORNE
