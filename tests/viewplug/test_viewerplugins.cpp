#include <QAction>
#include <QChartView>
#include <QLabel>
#include <QLineSeries>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QSlider>
#include <QtTest>

#include <cmath>
#include <memory>

#include "kora/kora.h"

QT_CHARTS_USE_NAMESPACE
Q_DECLARE_METATYPE(std::shared_ptr<KORA::CValue>)

namespace {

const char* const kDisplay = "%KORADIR%/bin/display::Display";
const char* const kPlot = "%KORADIR%/bin/plot::Plot";
const char* const kScatter = "%KORADIR%/bin/display::ScatterPlot";
const char* const kStatusLine = "%t|(%s)|%v|(%imin, %imax, %imean, %isigma)|(%pmin, %pmax, %pmean, %psigma)";

// The host side of a viewer, in the order VORNE's viewers use: node by path, caller-owned input vector,
// "QWidgetPointer" to the host window, Init, "StatusLine" (image viewer only).
struct Host
{
    QMainWindow window;
    KORA::CValueVector inputs;
    std::unique_ptr<KORA::CPNode> node;

    explicit Host(const char* path, bool giveWindow = true)
    {
        std::unique_ptr<KORA::IPluginObject> object(KORA::GetPluginObject(nullptr, path, nullptr));
        node.reset(dynamic_cast<KORA::CPNode*>(object.get()));
        if (!node)
            throw std::runtime_error(std::string(path) + " is no node");
        object.release();
        node->SetInputVector(&inputs);
        if (giveWindow)
            node->Parameters().SetEntry("QWidgetPointer", new KORA::CValuePointer<QWidget>(&window));
        KORA::CValueMap init;
        init.SetEntry("stack_in/0", new KORA::CValueLong(0));
        node->Init(&init);
        if (path == kDisplay)
            node->Parameters().SetEntry("StatusLine", new KORA::CValueString(kStatusLine));
        window.resize(700, 600);
    }
    ~Host() { node.reset(); }

    // Shows value (taken over); the plot viewer wraps it in a shared handle as VORNE does. Then adopts
    // the plug-in's window as central widget, as the viewers do after a successful execution.
    QWidget* show(KORA::CValue* value, const char* name)
    {
        inputs.SetEntry(0, node.get() && std::string(name) == "PlotMainWindow" ? new KORA::CValueSmart(value) : value);
        node->Execute();
        auto* found = window.findChild<QWidget*>(name);
        if (found && window.centralWidget() != found) {
            found->setWindowFlags(Qt::WindowFlags());
            window.setCentralWidget(found);
        }
        return found;
    }
};

KORA::CValue* ImageValue(KORA::ImageType type, int w, int h, int d = 1)
{
    auto* image = new KORA::CImage(type, KORA::CSize(w, h, d));
    for (std::size_t i = 0; i < image->TotalBytes(); ++i)
        image->Data()[i] = static_cast<uint8_t>(i * 7);
    if (type == KORA::IMAGE_GREY_F || type == KORA::IMAGE_COMPLEX_F)
        for (std::size_t i = 0; i < image->TotalBytes() / 4; ++i)
            reinterpret_cast<float*>(image->Data())[i] = static_cast<float>(i % 97) * 0.5f;
    if (KORA::IsMaskType(type))
        for (std::size_t i = 0; i < image->TotalBytes(); ++i)
            image->Data()[i] &= 1;
    return new KORA::CValueOwnedPointer<KORA::CImage>(image);
}

KORA::CValue* Parse(const char* text)
{
    return KORA::CTextSerializer().Deserialize(std::string(text));
}

QString StatusField(QWidget* window, int index)
{
    auto* label = window->findChild<QLabel*>(QStringLiteral("StatusField%1").arg(index));
    return label ? label->text() : QStringLiteral("<no field>");
}

} // namespace

class ViewerPluginsTest : public QObject
{
    Q_OBJECT

private slots:
    void displayShowsImages_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("depth");
        QTest::newRow("grey 8") << int(KORA::IMAGE_GREY_8) << 1;
        QTest::newRow("grey 16, 3-D") << int(KORA::IMAGE_GREY_16) << 5;
        QTest::newRow("float") << int(KORA::IMAGE_GREY_F) << 1;
        QTest::newRow("rgb") << int(KORA::IMAGE_RGB_8) << 1;
        QTest::newRow("mask") << int(KORA::IMAGE_BOOL) << 1;
        QTest::newRow("complex, 3-D") << int(KORA::IMAGE_COMPLEX_F) << 2;
    }
    void displayShowsImages()
    {
        QFETCH(int, type);
        QFETCH(int, depth);
        Host host(kDisplay);
        QWidget* window = host.show(ImageValue(KORA::ImageType(type), 40, 30, depth), "DisplayMainWindow");
        QVERIFY(window);
        QVERIFY(qobject_cast<QMainWindow*>(window));
        auto* view = window->findChild<QWidget*>(QStringLiteral("DisplayView"));
        QVERIFY(view);
        QCOMPARE(view->property("pictureSize").toSize(), QSize(40, 30));
        auto* slider = window->findChild<QSlider*>(QStringLiteral("SliceSlider"));
        QVERIFY(slider);
        QCOMPARE(slider->maximum(), depth - 1);
        QCOMPARE(slider->parentWidget()->isVisibleTo(window), depth > 1);
        QCOMPARE(StatusField(window, 0), QString::fromLatin1(KORA::ImageTypeName(KORA::ImageType(type))));
        if (depth > 1) {
            slider->setValue(depth - 1);
            QCOMPARE(window->findChild<QLabel*>(QStringLiteral("SliceLabel"))->text(), QStringLiteral("%1 / %1").arg(depth));
        }
        // A second value reuses the window.
        QCOMPARE(host.show(ImageValue(KORA::IMAGE_GREY_8, 8, 8), "DisplayMainWindow"), window);
        QCOMPARE(host.window.findChildren<QMainWindow*>(QStringLiteral("DisplayMainWindow")).size(), 1);
    }

    void displayStatusLineAndZoom()
    {
        Host host(kDisplay);
        auto* value = new KORA::CValueSmart(ImageValue(KORA::IMAGE_GREY_16, 200, 100));
        auto* image = KORA::UnwrapPointer<KORA::CImage>(value);
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 200; ++x)
                image->Row<uint16_t>(y)[x] = static_cast<uint16_t>(x * 100 + y);
        QWidget* window = host.show(value, "DisplayMainWindow");
        QVERIFY(window);
        // The value the host put in is gone; the window keeps its own handle to the pixels.
        host.inputs.SetEntry(0, new KORA::CValueLong(0));
        host.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host.window));
        auto* view = window->findChild<QWidget*>(QStringLiteral("DisplayView"));
        window->findChild<QAction*>(QStringLiteral("ActualSizeAction"))->trigger();
        QCOMPARE(view->property("scale").toDouble(), 1.0);

        const QPointF origin = view->property("origin").toPointF();
        const QPoint atPixel(static_cast<int>(std::floor(origin.x() + 12.5)), static_cast<int>(std::floor(origin.y() + 7.5)));
        QTest::mouseMove(view, atPixel);
        QCOMPARE(StatusField(window, 2), QStringLiteral("(12, 7) = 1207"));
        QCOMPARE(StatusField(window, 1), QStringLiteral("(200 x 100)"));
        QCOMPARE(StatusField(window, 3), QStringLiteral("(0, 19999, 9999.5, 5773.5)"));
        // The visible part: the whole image fits at 1:1 in a 700 x 600 host.
        QTRY_COMPARE(StatusField(window, 4), QStringLiteral("(0, 19999, 9999.5, 5773.5)"));

        // One wheel notch zooms by 1.25 and keeps the pixel under the cursor in place.
        const QPointF before = (QPointF(atPixel) - view->property("origin").toPointF()) / view->property("scale").toDouble();
        QWheelEvent wheel(QPointF(atPixel), view->mapToGlobal(atPixel), QPoint(), QPoint(0, 120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view, &wheel);
        const double scale = view->property("scale").toDouble();
        QCOMPARE(scale, 1.25);
        const QPointF after = (QPointF(atPixel) - view->property("origin").toPointF()) / scale;
        QVERIFY(std::abs(after.x() - before.x()) < 1e-9 && std::abs(after.y() - before.y()) < 1e-9);

        // Dragging moves the picture with the mouse.
        const QPointF start = view->property("origin").toPointF();
        for (auto [kind, where] : {std::pair{QEvent::MouseButtonPress, QPointF(50, 50)}, {QEvent::MouseMove, QPointF(80, 40)},
                                   {QEvent::MouseButtonRelease, QPointF(80, 40)}}) {
            QMouseEvent event(kind, where, kind == QEvent::MouseButtonRelease ? Qt::LeftButton : Qt::NoButton,
                              kind == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
            if (kind == QEvent::MouseButtonPress)
                event = QMouseEvent(kind, where, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(view, &event);
        }
        QCOMPARE(view->property("origin").toPointF(), start + QPointF(30, -10));

        window->findChild<QAction*>(QStringLiteral("FitAction"))->trigger();
        QCOMPARE(view->property("scale").toDouble(), std::min(view->width() / 200.0, view->height() / 100.0));
        QCOMPARE(view->property("visibleImageRect").toRect(), QRect(0, 0, 200, 100));
    }

    // 16-bit grey 100..296 across, plus one hot pixel: the robust window ignores it, min..max does not.
    void displayContrast_data()
    {
        QTest::addColumn<bool>("robust");
        QTest::addColumn<int>("brightest");
        QTest::newRow("robust") << true << 255;
        QTest::newRow("min..max") << false << 1;
    }
    void displayContrast()
    {
        QFETCH(bool, robust);
        QFETCH(int, brightest);
        Host host(kDisplay);
        KORA::CValue* value = ImageValue(KORA::IMAGE_GREY_16, 50, 50, 2);
        auto* image = KORA::UnwrapPointer<KORA::CImage>(value);
        for (int z = 0; z < 2; ++z)
            for (int y = 0; y < 50; ++y)
                for (int x = 0; x < 50; ++x)
                    image->Row<uint16_t>(y, z)[x] = static_cast<uint16_t>(100 + 4 * x);
        image->Row<uint16_t>(0, 1)[0] = 65535;
        QWidget* window = host.show(value, "DisplayMainWindow");
        host.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host.window));
        auto* contrast = window->findChild<QAction*>(QStringLiteral("RobustContrastAction"));
        contrast->setChecked(robust);
        auto* view = window->findChild<QWidget*>(QStringLiteral("DisplayView"));
        // The window comes from the whole volume, so the second slice looks like the first.
        window->findChild<QSlider*>(QStringLiteral("SliceSlider"))->setValue(1);
        const QPointF origin = view->property("origin").toPointF();
        const double scale = view->property("scale").toDouble();
        const QImage shown = view->grab().toImage();
        QCOMPARE(qGray(shown.pixel((origin + QPointF(49.5, 25.5) * scale).toPoint())), brightest);
        QCOMPARE(qGray(shown.pixel((origin + QPointF(0.5, 25.5) * scale).toPoint())), 0);
    }

    void statusLineTemplates_data()
    {
        QTest::addColumn<QString>("statusLine");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("literal percent") << "%t at 100%%" << QStringList{"GREY_8 at 100%"};
        QTest::newRow("unknown placeholder") << "%q|%s" << QStringList{"%q", "4 x 2"};
        QTest::newRow("longest name first") << "%imean%imin" << QStringList{"3.50"};
        QTest::newRow("empty fields") << "|%t|" << QStringList{"", "GREY_8", ""};
    }
    void statusLineTemplates()
    {
        QFETCH(QString, statusLine);
        QFETCH(QStringList, fields);
        Host host(kDisplay);
        host.node->Parameters().SetEntry("StatusLine", new KORA::CValueString(statusLine.toStdString()));
        KORA::CValue* value = ImageValue(KORA::IMAGE_GREY_8, 4, 2);
        for (int i = 0; i < 8; ++i)
            KORA::UnwrapPointer<KORA::CImage>(value)->Data()[i] = static_cast<uint8_t>(i);
        QWidget* window = host.show(value, "DisplayMainWindow");
        for (int i = 0; i < fields.size(); ++i)
            QCOMPARE(StatusField(window, i), fields[i]);
        QCOMPARE(StatusField(window, fields.size()), QStringLiteral("<no field>"));
    }

    void displayShowsOtherValuesAsText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("long") << "42" << "42";
        QTest::newRow("double") << "2.5" << "2.5";
        QTest::newRow("string") << "\"two words\"" << "two words";
        QTest::newRow("vector") << "[1, 2.0, \"x\"]" << "[1, 2.0, \"x\"]";
        QTest::newRow("map") << "{\"count\": 3}" << "{\"count\": 3}";
    }
    void displayShowsOtherValuesAsText()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        Host host(kDisplay);
        QWidget* window = host.show(Parse(text.toUtf8().constData()), "DisplayMainWindow");
        QVERIFY(window);
        auto* editor = window->findChild<QPlainTextEdit*>(QStringLiteral("DisplayText"));
        QVERIFY(editor && editor->isReadOnly());
        QCOMPARE(editor->toPlainText().trimmed(), shown);
        QVERIFY(editor->isVisibleTo(window));
    }

    void plots_data()
    {
        QTest::addColumn<std::shared_ptr<KORA::CValue>>("value");
        QTest::addColumn<int>("series");
        QTest::addColumn<int>("points");
        QTest::addColumn<double>("sumOfY");
        QTest::newRow("numbers") << std::shared_ptr<KORA::CValue>(Parse("[1, 2.5, 4]")) << 1 << 3 << 7.5;
        QTest::newRow("vectors") << std::shared_ptr<KORA::CValue>(Parse("[[1, 2], [3, 4], [5, 6]]")) << 3 << 2 << 3.0;
        QTest::newRow("8-bit histogram") << std::shared_ptr<KORA::CValue>(ImageValue(KORA::IMAGE_GREY_8, 16, 8)) << 1 << 256 << 128.0;
        QTest::newRow("RGB histogram") << std::shared_ptr<KORA::CValue>(ImageValue(KORA::IMAGE_RGB_8, 4, 4)) << 3 << 256 << 16.0;
    }
    void plots()
    {
        QFETCH(std::shared_ptr<KORA::CValue>, value);
        QFETCH(int, series);
        QFETCH(int, points);
        QFETCH(double, sumOfY);
        Host host(kPlot);
        QWidget* window = host.show(value->Clone(KORA::COPY_MOVE_OWNERSHIP), "PlotMainWindow");
        QVERIFY(window);
        auto* view = window->findChild<QChartView*>();
        QVERIFY(view);
        const auto all = view->chart()->series();
        QCOMPARE(all.size(), series);
        auto* first = qobject_cast<QLineSeries*>(all.front());
        QCOMPARE(first->count(), points);
        double sum = 0.0;
        for (const QPointF& p : first->pointsVector())
            sum += p.y();
        QCOMPARE(sum, sumOfY);
        QVERIFY(!view->chart()->title().isEmpty());
        QVERIFY(view->chart()->legend()->isVisible());
        QCOMPARE(view->chart()->axes(Qt::Horizontal).size(), 1);
        QVERIFY(!view->chart()->axes(Qt::Vertical).front()->titleText().isEmpty());
    }

    void scatterPlots_data()
    {
        QTest::addColumn<std::shared_ptr<KORA::CValue>>("value");
        QTest::addColumn<int>("points");
        QTest::addColumn<QPointF>("contains");
        QTest::newRow("pairs") << std::shared_ptr<KORA::CValue>(Parse("[[1.5, 2], [10, -4.0], null, [3, 3]]")) << 3
                               << QPointF(10, -4);
        auto* image = new KORA::CImage(KORA::IMAGE_GREY_F, KORA::CSize(2, 5));
        for (int y = 0; y < 5; ++y) {
            image->Row<float>(y)[0] = static_cast<float>(y);
            image->Row<float>(y)[1] = static_cast<float>(100 + y);
        }
        QTest::newRow("two-column image") << std::shared_ptr<KORA::CValue>(new KORA::CValueOwnedPointer<KORA::CImage>(image))
                                          << 5 << QPointF(4, 104);
    }
    void scatterPlots()
    {
        QFETCH(std::shared_ptr<KORA::CValue>, value);
        QFETCH(int, points);
        QFETCH(QPointF, contains);
        Host host(kScatter);
        QWidget* window = host.show(value->Clone(KORA::COPY_MOVE_OWNERSHIP), "ScatterPlotMainWindow");
        QVERIFY(window);
        auto* view = window->findChild<QWidget*>(QStringLiteral("ScatterView"));
        QVERIFY(view);
        QCOMPARE(view->property("pointCount").toInt(), points);
        QVERIFY(view->property("dataRange").toRectF().contains(contains));
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<std::shared_ptr<KORA::CValue>>("value");
        QTest::addColumn<QString>("reason");
        QTest::newRow("display, widget pointer") << kDisplay << std::shared_ptr<KORA::CValue>(new KORA::CValuePointer<QWidget>(nullptr))
                                                 << "Display: cannot show";
        QTest::newRow("display, empty image") << kDisplay << std::shared_ptr<KORA::CValue>(ImageValue(KORA::IMAGE_GREY_8, 0, 0))
                                              << "no pixels";
        QTest::newRow("plot, string") << kPlot << std::shared_ptr<KORA::CValue>(Parse("\"text\"")) << "Plot: cannot plot a string";
        QTest::newRow("plot, mixed vector") << kPlot << std::shared_ptr<KORA::CValue>(Parse("[1, \"x\"]")) << "entry 1";
        QTest::newRow("plot, mixed nesting") << kPlot << std::shared_ptr<KORA::CValue>(Parse("[[1], 2]")) << "entry 1";
        QTest::newRow("scatter, long") << kScatter << std::shared_ptr<KORA::CValue>(Parse("7")) << "ScatterPlot: cannot plot a long";
        QTest::newRow("scatter, triple") << kScatter << std::shared_ptr<KORA::CValue>(Parse("[[1, 2], [1, 2, 3]]")) << "entry 1";
        QTest::newRow("scatter, wide image") << kScatter << std::shared_ptr<KORA::CValue>(ImageValue(KORA::IMAGE_GREY_F, 3, 4))
                                             << "two columns";
        QTest::newRow("scatter, rgb image") << kScatter << std::shared_ptr<KORA::CValue>(ImageValue(KORA::IMAGE_RGB_8, 2, 4))
                                            << "RGB_8";
    }
    void refusals()
    {
        QFETCH(QString, path);
        QFETCH(std::shared_ptr<KORA::CValue>, value);
        QFETCH(QString, reason);
        Host host(path == kDisplay ? kDisplay : path == kPlot ? kPlot : kScatter);
        host.inputs.SetEntry(0, value->Clone(KORA::COPY_MOVE_OWNERSHIP));
        try {
            host.node->Execute();
            QFAIL("the value was shown");
        } catch (const KORA::CException& error) {
            QVERIFY2(QString::fromStdString(error.FormattedWhat()).contains(reason), error.FormattedWhat().c_str());
        }
        // A refused first value builds no window.
        QCOMPARE(host.window.findChildren<QMainWindow*>().size(), 0);
    }

    void missingWidgetPointer_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("display") << kDisplay;
        QTest::newRow("plot") << kPlot;
        QTest::newRow("scatter") << kScatter;
    }
    void missingWidgetPointer()
    {
        QFETCH(QString, path);
        Host host(path == kDisplay ? kDisplay : path == kPlot ? kPlot : kScatter, false);
        host.inputs.SetEntry(0, Parse("[[1, 2]]"));
        QVERIFY_EXCEPTION_THROWN(host.node->Execute(), KORA::CException);
        try {
            host.node->Execute();
        } catch (const KORA::CException& error) {
            QVERIFY(QString::fromUtf8(error.what()).contains("QWidgetPointer"));
        }
    }

    // Pictures of the three viewers for the documentation: VIEWER_SCREENSHOT_DIR=<dir> under a display.
    void screenshots()
    {
        const QString folder = qEnvironmentVariable("VIEWER_SCREENSHOT_DIR");
        if (folder.isEmpty())
            QSKIP("VIEWER_SCREENSHOT_DIR not set");
        const std::string cells = qEnvironmentVariable("VORNE_SOURCE_DIR").toStdString() + "/examples/data/cells_16.png";
        Host display(kDisplay);
        QWidget* window = display.show(new KORA::CValueOwnedPointer<KORA::CImage>(KORA::CImageIo2::Load(cells.c_str(), {})),
                                       "DisplayMainWindow");
        display.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&display.window));
        auto* view = window->findChild<QWidget*>(QStringLiteral("DisplayView"));
        QTest::mouseMove(view, QPoint(view->width() / 2, view->height() / 2));
        QTest::qWait(300);
        QVERIFY(display.window.grab().save(folder + "/viewer-display.png"));

        Host plot(kPlot);
        auto* curves = new KORA::CValueVector;
        for (int k = 1; k <= 3; ++k) {
            auto* curve = new KORA::CValueVector;
            for (int i = 0; i <= 100; ++i)
                curve->Append(new KORA::CValueDouble(std::sin(i * 0.06 * k) * std::exp(-i * 0.01 * k)));
            curves->Append(curve);
        }
        plot.show(curves, "PlotMainWindow");
        plot.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&plot.window));
        QTest::qWait(300);
        QVERIFY(plot.window.grab().save(folder + "/viewer-plot.png"));

        Host scatter(kScatter);
        auto* pairs = new KORA::CValueVector;
        for (int i = 0; i < 60; ++i) {
            auto* pair = new KORA::CValueVector;
            pair->Append(new KORA::CValueDouble(20 + (i * 37) % 200 + 0.3 * i));
            pair->Append(new KORA::CValueDouble(15 + (i * 53) % 150 + 0.2 * i));
            pairs->Append(pair);
        }
        scatter.show(pairs, "ScatterPlotMainWindow");
        scatter.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&scatter.window));
        QTest::qWait(300);
        QVERIFY(scatter.window.grab().save(folder + "/viewer-scatterplot.png"));
    }
};

QTEST_MAIN(ViewerPluginsTest)
#include "test_viewerplugins.moc"
