#pragma once
// The image viewer's window ("DisplayMainWindow"): the image view with its toolbar, slice slider and
// status line, or, for values that are no image, their text in a read-only editor.
#include <memory>

#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QPointF>
#include <QStringList>
#include <QTimer>

#include "imagerender.h"
#include "kora/image.h"

class QAction;
class QLabel;
class QPlainTextEdit;
class QSlider;
class QStackedWidget;

namespace viewers {

class ImageView;

class DisplayWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit DisplayWindow(QWidget* host);

    void setStatusTemplate(const QString& statusTemplate);
    // The image stays shared while shown; it must not change meanwhile. An image with the attribute
    // "placeholder" stands for a missing value: the status line says that attribute, no figures.
    void showImage(std::shared_ptr<const KORA::CImage> image);
    // A value that is no image: its text, and its kind and size for the status line.
    void showText(const QString& text, const QString& kind, const QString& size);

    ImageView* view() const noexcept { return m_view; }

private slots:
    void sliceChanged(int slice);
    void hovered(const QPointF& point, bool inside);
    void cursorLeft();
    void viewChanged();
    void updateVisibleStatistics();
    void contrastChanged();

private:
    void renderSlice(bool keepView);
    void refreshStatus();
    void setImageStatistics(const Statistics& stats, const QString& prefix);

    QStackedWidget* m_pages;
    ImageView* m_view;
    QWidget* m_sliceRow;
    QSlider* m_slice;
    QLabel* m_sliceLabel;
    QPlainTextEdit* m_text;
    QLabel* m_zoomLabel;
    QAction* m_robust;
    QList<QLabel*> m_fields;
    QStringList m_template;

    std::shared_ptr<const KORA::CImage> m_image;
    ImageAnalysis m_analysis;
    int64_t m_shownSlice = -1;
    bool m_showingText = false;
    // The shown image only stands in for a missing value (its "placeholder" attribute).
    bool m_placeholder = false;
    QHash<QString, QString> m_values;
    QString m_pixelSize; // after the last field
    // The visible part's statistics scan every visible pixel: done once the view has settled, so that
    // panning and zooming stay smooth.
    QTimer m_visibleTimer;
};

} // namespace viewers
