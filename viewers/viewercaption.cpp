#include "viewers/viewercaption.h"

#include <QEvent>
#include <QMainWindow>

namespace VORNE {

ViewerCaption::ViewerCaption(QWidget* window) : QLabel(window)
{
    setObjectName(QStringLiteral("ViewerCaption"));
    setWordWrap(true);
    setMargin(8);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setStyleSheet(QStringLiteral("background-color: rgba(0, 0, 0, 170); color: white;"));
    hide();
    window->installEventFilter(this);
}

void ViewerCaption::say(const QString& text)
{
    setText(text);
    place();
    show();
    raise();
}

bool ViewerCaption::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest)
        place();
    return QLabel::eventFilter(watched, event);
}

void ViewerCaption::place()
{
    const auto* window = qobject_cast<QMainWindow*>(parentWidget());
    const QWidget* central = window ? window->centralWidget() : nullptr;
    QRect area = central ? central->geometry() : parentWidget()->rect();
    const int height = qMin(area.height(), heightForWidth(area.width()));
    setGeometry(area.left(), area.bottom() + 1 - height, area.width(), height);
}

} // namespace VORNE
