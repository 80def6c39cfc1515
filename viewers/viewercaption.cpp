#include "viewers/viewercaption.h"

#include <QMainWindow>
#include <QPainter>
#include <QResizeEvent>
#include <QStatusBar>
#include <QTextLayout>
#include <QtMath>

namespace VORNE {

ViewerCaption::ViewerCaption(QMainWindow* window) : QLabel(window)
{
    setObjectName(QStringLiteral("ViewerCaption"));
    setWordWrap(true);
    setTextFormat(Qt::PlainText);
    setContentsMargins(4, 2, 4, 2);
    QStatusBar* bar = window->statusBar();
    // The grip would take width from the text; the window's edges resize it anyway.
    bar->setSizeGripEnabled(false);
    bar->addWidget(this, 1);
    say(QString());
}

void ViewerCaption::say(const QString& text)
{
    setText(text);
    setVisible(!text.isEmpty());
    if (auto* bar = qobject_cast<QStatusBar*>(parentWidget()))
        bar->setVisible(!text.isEmpty());
    updateGeometry();
}

qreal ViewerCaption::layOut(QTextLayout& layout, int width) const
{
    QString lines = text();
    lines.replace(QLatin1Char('\n'), QChar::LineSeparator);
    layout.setText(lines);
    layout.setFont(font());
    QTextOption option(alignment());
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    qreal height = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(qMax(1, width));
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout.endLayout();
    return height;
}

int ViewerCaption::heightForWidth(int width) const
{
    const QMargins margins = contentsMargins();
    QTextLayout layout;
    return qCeil(layOut(layout, width - margins.left() - margins.right())) + margins.top() + margins.bottom();
}

int ViewerCaption::hintWidth() const
{
    // Until the caption is shown its width is an old one, and a window that grew for a hint made for it
    // would not shrink back; the status bar spans the window.
    return isVisible() ? width() : window()->width();
}

QSize ViewerCaption::sizeHint() const
{
    return QSize(fontMetrics().averageCharWidth() * 40, heightForWidth(hintWidth()));
}

QSize ViewerCaption::minimumSizeHint() const
{
    return QSize(fontMetrics().averageCharWidth() * 4, heightForWidth(hintWidth()));
}

void ViewerCaption::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    const QRect room = contentsRect();
    QTextLayout layout;
    layOut(layout, room.width());
    layout.draw(&painter, room.topLeft());
}

void ViewerCaption::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    // The hints follow the width; the status bar asks again.
    if (event->size().width() != event->oldSize().width())
        updateGeometry();
}

} // namespace VORNE
