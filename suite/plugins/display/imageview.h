#pragma once
// The image viewer's canvas: a cached 8-bit picture drawn at any zoom, zoomed with the wheel around the
// cursor and panned by dragging. Only the visible part is drawn, from a half-size pyramid level when
// zoomed out, so a paint costs in proportion to the window, not to the image.
#include <vector>

#include <QImage>
#include <QPointF>
#include <QRect>
#include <QWidget>

namespace viewers {

class ImageView : public QWidget
{
    Q_OBJECT
    // For hosts and tests, which see the view only as a QObject.
    Q_PROPERTY(double scale READ scale)
    Q_PROPERTY(QPointF origin READ origin)
    Q_PROPERTY(QRect visibleImageRect READ visibleImageRect)
    Q_PROPERTY(QSize pictureSize READ pictureSize)

public:
    explicit ImageView(QWidget* parent = nullptr);

    // Shows a new picture. keepView: the same zoom and position as before (stepping through slices or
    // equally sized images); otherwise the picture is fitted into the window.
    void setPicture(const QImage& picture, bool keepView);
    const QImage& picture() const noexcept { return m_levels.empty() ? m_empty : m_levels.front(); }

    QSize pictureSize() const { return picture().size(); }
    double scale() const noexcept { return m_scale; }
    // Widget coordinates of the picture's top-left corner.
    QPointF origin() const noexcept { return m_origin; }
    QPointF widgetToImage(const QPointF& point) const;
    QPointF imageToWidget(const QPointF& point) const;
    // The picture's pixels that are at least partly visible (empty when none).
    QRect visibleImageRect() const;

    // Zooms by factor keeping the picture point under anchor (widget coordinates) where it is.
    void zoomAt(const QPointF& anchor, double factor);
    void setScale(double scale, const QPointF& anchor);
    bool fitted() const noexcept { return m_fit; }

    // Draws the visible part of the picture into area of the painter (what paintEvent does).
    void paintPicture(QPainter& painter, const QRect& area);

    static constexpr double kMinScale = 1.0 / 256.0;
    static constexpr double kMaxScale = 64.0;

public slots:
    // The whole picture, as large as the window allows, centred; follows later resizes.
    void fitToWindow();
    // One screen pixel per image pixel, keeping the window's centre.
    void actualSize();
    void zoomIn();
    void zoomOut();

signals:
    // Zoom or position changed.
    void viewChanged();
    // The cursor is over picture coordinates point (may lie outside the picture); inside: whether it does.
    void hovered(const QPointF& point, bool inside);
    void left();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void applyFit();
    // The pyramid level to draw from at the current scale (0 = full size); builds it once when needed.
    int levelForScale();

    std::vector<QImage> m_levels; // [0] the picture, [k] halved k times
    QImage m_empty;
    double m_scale = 1.0;
    QPointF m_origin;
    bool m_fit = true;
    bool m_dragging = false;
    QPointF m_dragStart;
    QPointF m_originAtDragStart;
};

} // namespace viewers
