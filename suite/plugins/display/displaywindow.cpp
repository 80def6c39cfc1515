#include "displaywindow.h"

#include <climits>
#include <cmath>

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSlider>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

#include "imageview.h"
#include "statusline.h"

namespace viewers {

DisplayWindow::DisplayWindow(QWidget* host) : QMainWindow(host, Qt::Widget)
{
    setObjectName(QStringLiteral("DisplayMainWindow"));

    m_pages = new QStackedWidget(this);
    auto* imagePage = new QWidget(m_pages);
    auto* imageLayout = new QVBoxLayout(imagePage);
    imageLayout->setContentsMargins(0, 0, 0, 0);
    imageLayout->setSpacing(2);
    m_view = new ImageView(imagePage);
    imageLayout->addWidget(m_view, 1);

    m_sliceRow = new QWidget(imagePage);
    auto* sliceLayout = new QHBoxLayout(m_sliceRow);
    sliceLayout->setContentsMargins(6, 0, 6, 2);
    sliceLayout->addWidget(new QLabel(tr("Slice"), m_sliceRow));
    m_slice = new QSlider(Qt::Horizontal, m_sliceRow);
    m_slice->setObjectName(QStringLiteral("SliceSlider"));
    sliceLayout->addWidget(m_slice, 1);
    m_sliceLabel = new QLabel(m_sliceRow);
    m_sliceLabel->setObjectName(QStringLiteral("SliceLabel"));
    sliceLayout->addWidget(m_sliceLabel);
    m_sliceRow->hide();
    imageLayout->addWidget(m_sliceRow);
    m_pages->addWidget(imagePage);

    m_text = new QPlainTextEdit(m_pages);
    m_text->setObjectName(QStringLiteral("DisplayText"));
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setFont(QFont(QStringLiteral("monospace")));
    m_pages->addWidget(m_text);
    setCentralWidget(m_pages);

    auto* tools = new QToolBar(tr("Image"), this);
    tools->setObjectName(QStringLiteral("DisplayToolBar"));
    QAction* fit = tools->addAction(tr("Fit"), m_view, &ImageView::fitToWindow);
    fit->setObjectName(QStringLiteral("FitAction"));
    fit->setToolTip(tr("Show the whole image"));
    QAction* actual = tools->addAction(tr("1:1"), m_view, &ImageView::actualSize);
    actual->setObjectName(QStringLiteral("ActualSizeAction"));
    actual->setToolTip(tr("One screen pixel per image pixel"));
    tools->addAction(tr("Zoom in"), m_view, &ImageView::zoomIn)->setObjectName(QStringLiteral("ZoomInAction"));
    tools->addAction(tr("Zoom out"), m_view, &ImageView::zoomOut)->setObjectName(QStringLiteral("ZoomOutAction"));
    tools->addSeparator();
    m_robust = tools->addAction(tr("Robust contrast"));
    m_robust->setObjectName(QStringLiteral("RobustContrastAction"));
    m_robust->setCheckable(true);
    m_robust->setChecked(true);
    m_robust->setToolTip(tr("Grey window between the 0.1 % and 99.9 % percentiles instead of minimum to maximum "
                            "(16-bit, float and complex images)"));
    connect(m_robust, &QAction::toggled, this, &DisplayWindow::contrastChanged);
    tools->addSeparator();
    m_zoomLabel = new QLabel(tools);
    m_zoomLabel->setObjectName(QStringLiteral("ZoomLabel"));
    m_zoomLabel->setMinimumWidth(60);
    tools->addWidget(m_zoomLabel);
    addToolBar(Qt::TopToolBarArea, tools);

    m_visibleTimer.setSingleShot(true);
    m_visibleTimer.setInterval(80);
    connect(&m_visibleTimer, &QTimer::timeout, this, &DisplayWindow::updateVisibleStatistics);
    connect(m_slice, &QSlider::valueChanged, this, &DisplayWindow::sliceChanged);
    connect(m_view, &ImageView::hovered, this, &DisplayWindow::hovered);
    connect(m_view, &ImageView::left, this, &DisplayWindow::cursorLeft);
    connect(m_view, &ImageView::viewChanged, this, &DisplayWindow::viewChanged);
    resize(500, 500);
}

void DisplayWindow::setStatusTemplate(const QString& statusTemplate)
{
    const QStringList fields = StatusFields(statusTemplate);
    if (fields == m_template)
        return;
    m_template = fields;
    qDeleteAll(m_fields);
    m_fields.clear();
    for (int i = 0; i < m_template.size(); ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("StatusField%1").arg(i));
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->setContentsMargins(2, 0, 2, 0);
        statusBar()->addWidget(label);
        m_fields.append(label);
    }
    refreshStatus();
}

void DisplayWindow::showImage(std::shared_ptr<const KORA::CImage> image)
{
    const bool sameShape = m_image && !m_showingText && m_image->Size() == image->Size();
    m_image = std::move(image);
    m_showingText = false;
    m_analysis = AnalyseImage(*m_image);
    const KORA::CValueMap& attributes = m_image->Attributes();
    m_placeholder = attributes.HasEntry("placeholder", KORA::GT_STRING);
    m_values.clear();
    m_values.insert(QStringLiteral("t"), m_placeholder
                                             ? QString::fromStdString(attributes.EntryString("placeholder"))
                                             : QString::fromLatin1(KORA::ImageTypeName(m_image->Type())));
    m_values.insert(QStringLiteral("s"), QString::fromStdString(m_image->Size().ToString()));
    setImageStatistics(m_analysis.stats, QStringLiteral("i"));
    m_pixelSize = PixelSizeSuffix(QString::fromStdString(KORA::PixelSizeText(*m_image)),
                                  QString::fromStdString(KORA::PixelUnitText(*m_image)));

    const int depth = static_cast<int>(std::min<int64_t>(m_image->Size().Depth(), INT_MAX));
    m_shownSlice = -1;
    {
        const QSignalBlocker block(m_slice);
        m_slice->setRange(0, depth - 1);
        if (!sameShape)
            m_slice->setValue(0);
    }
    m_sliceRow->setVisible(depth > 1);
    m_pages->setCurrentIndex(0);
    renderSlice(sameShape);
    refreshStatus();
}

void DisplayWindow::showText(const QString& text, const QString& kind, const QString& size)
{
    m_image.reset();
    m_placeholder = false;
    m_showingText = true;
    m_text->setPlainText(text);
    m_pages->setCurrentIndex(1);
    m_values.clear();
    m_values.insert(QStringLiteral("t"), kind);
    m_values.insert(QStringLiteral("s"), size);
    m_pixelSize.clear();
    m_zoomLabel->clear();
    refreshStatus();
}

void DisplayWindow::renderSlice(bool keepView)
{
    const int64_t slice = m_slice->value();
    if (slice == m_shownSlice)
        return;
    m_shownSlice = slice;
    const bool robust = m_robust->isChecked();
    const double low = robust ? m_analysis.robustLow : m_analysis.stats.min;
    const double high = robust ? m_analysis.robustHigh : m_analysis.stats.max;
    m_view->setPicture(RenderPlane(*m_image, slice, low, high), keepView);
    m_sliceLabel->setText(QStringLiteral("%1 / %2").arg(slice + 1).arg(m_slice->maximum() + 1));
    viewChanged();
}

void DisplayWindow::sliceChanged(int)
{
    if (m_image)
        renderSlice(true);
}

void DisplayWindow::contrastChanged()
{
    if (!m_image)
        return;
    m_shownSlice = -1;
    renderSlice(true);
}

namespace {
// Means and deviations are estimates: a few digits, so that the status line stays readable in a narrow
// window.
QString StatisticText(double value)
{
    const double magnitude = std::abs(value);
    if (magnitude >= 100.0 && magnitude < 1e6)
        return QString::number(value, 'f', 1);
    return QString::number(value, 'g', 4);
}
} // namespace

void DisplayWindow::setImageStatistics(const Statistics& stats, const QString& prefix)
{
    const bool integral = m_image && IntegralType(m_image->Type());
    const bool any = stats.count > 0;
    m_values.insert(prefix + QStringLiteral("min"), any ? NumberText(stats.min, integral) : QString());
    m_values.insert(prefix + QStringLiteral("max"), any ? NumberText(stats.max, integral) : QString());
    m_values.insert(prefix + QStringLiteral("mean"), any ? StatisticText(stats.mean) : QString());
    m_values.insert(prefix + QStringLiteral("sigma"), any ? StatisticText(stats.sigma) : QString());
}

void DisplayWindow::hovered(const QPointF& point, bool inside)
{
    if (!m_image)
        return;
    QString text;
    if (inside) {
        const int64_t x = static_cast<int64_t>(point.x()), y = static_cast<int64_t>(point.y());
        const QString where = m_image->Size().Depth() > 1 ? QStringLiteral("(%1, %2, %3)").arg(x).arg(y).arg(m_shownSlice)
                                                          : QStringLiteral("(%1, %2)").arg(x).arg(y);
        text = where + QStringLiteral(" = ") + PixelText(*m_image, x, y, m_shownSlice);
    }
    m_values.insert(QStringLiteral("v"), text);
    refreshStatus();
}

void DisplayWindow::cursorLeft()
{
    m_values.remove(QStringLiteral("v"));
    refreshStatus();
}

void DisplayWindow::viewChanged()
{
    // In device pixels, so that 1:1 reads 100 % on a scaled screen too.
    const double zoom = m_view->scale() * m_view->devicePixelRatioF();
    m_zoomLabel->setText(QStringLiteral("%1 %").arg(zoom * 100.0, 0, 'f', zoom < 0.1 ? 1 : 0));
    if (m_image && m_template.join(QString()).contains(QStringLiteral("%p")))
        m_visibleTimer.start();
}

void DisplayWindow::updateVisibleStatistics()
{
    if (!m_image)
        return;
    setImageStatistics(RegionStatistics(*m_image, m_shownSlice, m_view->visibleImageRect()), QStringLiteral("p"));
    refreshStatus();
}

void DisplayWindow::refreshStatus()
{
    for (int i = 0; i < m_fields.size(); ++i) {
        const QString& field = m_template[i];
        // A text value has no pixels: fields about pixels would only show empty brackets. A stand-in's
        // figures are no result at all, its size included.
        m_fields[i]->setVisible(!(m_showingText && FieldUses(field, QStringLiteral("vip"))) &&
                                !(m_placeholder && FieldUses(field, QStringLiteral("svip"))));
        const QString suffix = i + 1 == m_fields.size() ? m_pixelSize : QString();
        m_fields[i]->setText(ExpandStatusField(field, m_values) + suffix);
    }
}

} // namespace viewers
