#include "imageview.h"

#include <algorithm>
#include <cmath>

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include "imagerender.h"

namespace viewers {

namespace {

// Where the event happened in the view, in fractions of a pixel; Qt 6 renamed the call.
QPointF eventPoint(const QMouseEvent* event)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return event->position();
#else
    return event->localPos();
#endif
}

} // namespace

ImageView::ImageView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("DisplayView"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::WheelFocus);
    setMinimumSize(64, 64);
    setCursor(Qt::CrossCursor);
}

void ImageView::setPicture(const QImage& picture, bool keepView)
{
    const bool sameSize = !m_levels.empty() && m_levels.front().size() == picture.size();
    m_levels.clear();
    m_levels.push_back(picture);
    if (!(keepView && sameSize) || m_fit)
        applyFit();
    update();
    emit viewChanged();
}

QPointF ImageView::widgetToImage(const QPointF& point) const
{
    return (point - m_origin) / m_scale;
}

QPointF ImageView::imageToWidget(const QPointF& point) const
{
    return m_origin + point * m_scale;
}

QRect ImageView::visibleImageRect() const
{
    const QImage& full = picture();
    const QPointF topLeft = widgetToImage(QPointF(0, 0));
    const QPointF bottomRight = widgetToImage(QPointF(width(), height()));
    const int x0 = std::max(0, static_cast<int>(std::floor(topLeft.x())));
    const int y0 = std::max(0, static_cast<int>(std::floor(topLeft.y())));
    const int x1 = std::min(full.width(), static_cast<int>(std::ceil(bottomRight.x())));
    const int y1 = std::min(full.height(), static_cast<int>(std::ceil(bottomRight.y())));
    if (x1 <= x0 || y1 <= y0)
        return QRect();
    return QRect(x0, y0, x1 - x0, y1 - y0);
}

void ImageView::setScale(double scale, const QPointF& anchor)
{
    scale = std::clamp(scale, kMinScale, kMaxScale);
    const QPointF fixed = widgetToImage(anchor);
    m_scale = scale;
    m_origin = anchor - fixed * m_scale;
    m_fit = false;
    update();
    emit viewChanged();
}

void ImageView::zoomAt(const QPointF& anchor, double factor)
{
    setScale(m_scale * factor, anchor);
}

void ImageView::zoomIn()
{
    zoomAt(QPointF(width() / 2.0, height() / 2.0), 1.25);
}

void ImageView::zoomOut()
{
    zoomAt(QPointF(width() / 2.0, height() / 2.0), 0.8);
}

void ImageView::fitToWindow()
{
    applyFit();
    update();
    emit viewChanged();
}

void ImageView::applyFit()
{
    m_fit = true;
    const QImage& full = picture();
    if (full.isNull() || width() <= 0 || height() <= 0) {
        m_scale = 1.0;
        m_origin = QPointF();
        return;
    }
    m_scale = std::clamp(std::min(double(width()) / full.width(), double(height()) / full.height()), kMinScale, kMaxScale);
    // Whole screen pixels, so that at 1:1 and integer zooms every image pixel stays crisp.
    m_origin = QPointF(std::round((width() - full.width() * m_scale) / 2.0), std::round((height() - full.height() * m_scale) / 2.0));
}

void ImageView::actualSize()
{
    // One device pixel per image pixel: on a scaled screen (always possible under Qt 6) a logical pixel is
    // several device pixels.
    const double ratio = devicePixelRatioF();
    setScale(1.0 / ratio, QPointF(width() / 2.0, height() / 2.0));
    m_origin = QPointF(std::round(m_origin.x() * ratio), std::round(m_origin.y() * ratio)) / ratio;
}

int ImageView::levelForScale()
{
    if (m_levels.empty())
        return 0;
    // Level k is drawn at scale * 2^k, which stays above 1/2: nearest-neighbour sampling then drops at
    // most every other pixel, and the averaging of the halving keeps thin structures visible.
    int level = 0;
    while (m_scale * std::pow(2.0, level + 1) <= 1.0 && std::min(m_levels[level].width(), m_levels[level].height()) > 1) {
        if (static_cast<int>(m_levels.size()) <= level + 1)
            m_levels.push_back(HalveImage(m_levels[level]));
        ++level;
    }
    return level;
}

void ImageView::paintPicture(QPainter& painter, const QRect& area)
{
    painter.fillRect(area, palette().color(QPalette::Dark));
    const QRect visible = visibleImageRect();
    if (visible.isEmpty())
        return;
    const int level = levelForScale();
    const QImage& source = m_levels[level];
    const double factor = std::pow(2.0, level);
    // Whole source pixels, so that image pixels land on the same screen pixels at every pan offset.
    const int sx0 = static_cast<int>(std::floor(visible.left() / factor));
    const int sy0 = static_cast<int>(std::floor(visible.top() / factor));
    const int sx1 = std::min(source.width(), static_cast<int>(std::ceil((visible.right() + 1) / factor)));
    const int sy1 = std::min(source.height(), static_cast<int>(std::ceil((visible.bottom() + 1) / factor)));
    const QRect sourceRect(sx0, sy0, sx1 - sx0, sy1 - sy0);
    const QRectF target(imageToWidget(QPointF(sx0 * factor, sy0 * factor)),
                        imageToWidget(QPointF(sx1 * factor, sy1 * factor)));
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(target, source, sourceRect);
}

void ImageView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintPicture(painter, rect());
}

void ImageView::resizeEvent(QResizeEvent*)
{
    if (m_fit) {
        applyFit();
        emit viewChanged();
    }
}

void ImageView::wheelEvent(QWheelEvent* event)
{
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        event->ignore();
        return;
    }
    // One notch (120) zooms by 1.25; touchpads send smaller steps of the same curve.
    zoomAt(event->position(), std::pow(1.25, delta / 120.0));
    event->accept();
}

void ImageView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_dragging = true;
        m_dragStart = eventPoint(event);
        m_originAtDragStart = m_origin;
        setCursor(Qt::ClosedHandCursor);
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void ImageView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging) {
        m_origin = m_originAtDragStart + (eventPoint(event) - m_dragStart);
        m_fit = false;
        update();
        emit viewChanged();
    }
    const QPointF point = widgetToImage(eventPoint(event));
    const QImage& full = picture();
    emit hovered(point, point.x() >= 0 && point.y() >= 0 && point.x() < full.width() && point.y() < full.height());
}

void ImageView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_dragging) {
        m_dragging = false;
        setCursor(Qt::CrossCursor);
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void ImageView::leaveEvent(QEvent*)
{
    emit left();
}

} // namespace viewers
