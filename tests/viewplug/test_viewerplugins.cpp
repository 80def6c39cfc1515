#include <QtTest>
#include <QtWidgets>
#include <QtCharts>

#include <cmath>
#include <memory>

#include "kora/kora.h"

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
QT_CHARTS_USE_NAMESPACE
#endif
using Value = std::shared_ptr<KORA::CValue>;
Q_DECLARE_METATYPE(Value)

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
        QTest::newRow("grey 16, 3-D") << int(KORA::IMAGE_GREY_16) << 5;
        QTest::newRow("float") << int(KORA::IMAGE_GREY_F) << 1;
        QTest::newRow("rgb") << int(KORA::IMAGE_RGB_8) << 1;
        QTest::newRow("complex, 3-D") << int(KORA::IMAGE_COMPLEX_F) << 2;
    }
    void displayShowsImages()
    {
        QFETCH(int, type);
        QFETCH(int, depth);
        Host host(kDisplay);
        KORA::CValue* value = ImageValue(KORA::ImageType(type), 40, 30, depth);
        KORA::CValueMap& attributes = KORA::UnwrapPointer<KORA::CImage>(value)->Attributes();
        for (const char* axis : {"pixel_size_x", "pixel_size_y", "pixel_size_z"})
            attributes.SetEntry(axis, new KORA::CValueDouble(axis[11] == 'z' ? 2.0 : 0.65));
        attributes.SetEntry("pixel_unit", new KORA::CValueString("µm"));
        QWidget* window = host.show(value, "DisplayMainWindow");
        QVERIFY(qobject_cast<QMainWindow*>(window));
        // The pixel size after the template's last field, Z for a stack only (none without one: displayStatusLine).
        QVERIFY(StatusField(window, 4).endsWith(depth > 1 ? " | pixel 0.65 x 0.65 x 2 µm" : " | pixel 0.65 x 0.65 µm"));
        auto* view = window->findChild<QWidget*>(QStringLiteral("DisplayView"));
        QCOMPARE(view->property("pictureSize").toSize(), QSize(40, 30));
        auto* slider = window->findChild<QSlider*>(QStringLiteral("SliceSlider"));
        QCOMPARE(slider->maximum(), depth - 1);
        QCOMPARE(slider->parentWidget()->isVisibleTo(window), depth > 1);
        QCOMPARE(StatusField(window, 0), QString::fromLatin1(KORA::ImageTypeName(KORA::ImageType(type))));
        if (depth > 1) {
            slider->setValue(depth - 1);
            QCOMPARE(window->findChild<QLabel*>(QStringLiteral("SliceLabel"))->text(), QStringLiteral("%1 / %1").arg(depth));
        }
        // A second value reuses the window.
        QCOMPARE(host.show(ImageValue(KORA::IMAGE_GREY_8, 8, 8), "DisplayMainWindow"), window);
    }

    void displayStatusLine()
    {
        Host host(kDisplay);
        auto* value = new KORA::CValueSmart(ImageValue(KORA::IMAGE_GREY_16, 200, 100));
        auto* image = KORA::UnwrapPointer<KORA::CImage>(value);
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 200; ++x)
                image->Row<uint16_t>(y)[x] = static_cast<uint16_t>(x * 100 + y);
        QWidget* window = host.show(value, "DisplayMainWindow");
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
    }

    // 16-bit grey 100..296 across, plus one hot pixel: the robust window ignores it, min..max does not.
    void displayContrast()
    {
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
        auto* view = window->findChild<QWidget*>(QStringLiteral("DisplayView"));
        // The window comes from the whole volume, so the second slice looks like the first.
        window->findChild<QSlider*>(QStringLiteral("SliceSlider"))->setValue(1);
        for (const bool robust : {false, true}) {
            window->findChild<QAction*>(QStringLiteral("RobustContrastAction"))->setChecked(robust);
            const QPointF origin = view->property("origin").toPointF();
            const double scale = view->property("scale").toDouble();
            const QImage shown = view->grab().toImage();
            QCOMPARE(qGray(shown.pixel((origin + QPointF(49.5, 25.5) * scale).toPoint())), robust ? 255 : 1);
            QCOMPARE(qGray(shown.pixel((origin + QPointF(0.5, 25.5) * scale).toPoint())), 0);
        }
    }

    // A literal percent, an unknown placeholder kept as it stands, the longest name matched first, empty fields.
    void statusLineTemplates()
    {
        const QStringList fields{"GREY_8 at 100%", "%q", "3.50", ""};
        Host host(kDisplay);
        host.node->Parameters().SetEntry("StatusLine", new KORA::CValueString("%t at 100%%|%q|%imean%imin|"));
        KORA::CValue* value = ImageValue(KORA::IMAGE_GREY_8, 4, 2);
        for (int i = 0; i < 8; ++i)
            KORA::UnwrapPointer<KORA::CImage>(value)->Data()[i] = static_cast<uint8_t>(i);
        QWidget* window = host.show(value, "DisplayMainWindow");
        for (int i = 0; i < fields.size(); ++i)
            QCOMPARE(StatusField(window, i), fields[i]);
        QCOMPARE(StatusField(window, fields.size()), QStringLiteral("<no field>"));
    }

    void displayShowsOtherValuesAsText()
    {
        Host host(kDisplay);
        for (const auto& [text, shown] : {std::pair<const char*, QString>{"\"two words\"", "two words"},
                                          {"[1, 2.0, \"x\"]", "[1, 2.0, \"x\"]"}}) {
            QWidget* window = host.show(Parse(text), "DisplayMainWindow");
            auto* editor = window->findChild<QPlainTextEdit*>(QStringLiteral("DisplayText"));
            QVERIFY(editor && editor->isReadOnly());
            QCOMPARE(editor->toPlainText().trimmed(), shown);
            QVERIFY(editor->isVisibleTo(window));
        }
    }

    void plots_data()
    {
        QTest::addColumn<Value>("value");
        QTest::addColumn<int>("series");
        QTest::addColumn<int>("points");
        QTest::addColumn<double>("sumOfY");
        QTest::newRow("numbers") << Value(Parse("[1, 2.5, 4]")) << 1 << 3 << 7.5;
        QTest::newRow("vectors") << Value(Parse("[[1, 2], [3, 4], [5, 6]]")) << 3 << 2 << 3.0;
        QTest::newRow("8-bit histogram") << Value(ImageValue(KORA::IMAGE_GREY_8, 16, 8)) << 1 << 256 << 128.0;
        QTest::newRow("RGB histogram") << Value(ImageValue(KORA::IMAGE_RGB_8, 4, 4)) << 3 << 256 << 16.0;
    }
    void plots()
    {
        QFETCH(Value, value);
        QFETCH(int, series);
        QFETCH(int, points);
        QFETCH(double, sumOfY);
        Host host(kPlot);
        QWidget* window = host.show(value->Clone(KORA::COPY_MOVE_OWNERSHIP), "PlotMainWindow");
        auto* view = window->findChild<QChartView*>();
        const auto all = view->chart()->series();
        QCOMPARE(all.size(), series);
        auto* first = qobject_cast<QLineSeries*>(all.front());
        QCOMPARE(first->count(), points);
        double sum = 0.0;
        for (int i = 0; i < first->count(); ++i)
            sum += first->at(i).y();
        QCOMPARE(sum, sumOfY);
    }

    // Pairs, with a gap that is skipped, and the rows of a two-column image.
    void scatterPlots()
    {
        auto* image = new KORA::CImage(KORA::IMAGE_GREY_F, KORA::CSize(2, 5));
        for (int y = 0; y < 5; ++y)
            image->Row<float>(y)[0] = image->Row<float>(y)[1] = static_cast<float>(100 + y);
        Host host(kScatter);
        for (const auto& [value, points, contains] :
             {std::tuple<KORA::CValue*, int, QPointF>{Parse("[[1.5, 2], [10, -4.0], null, [3, 3]]"), 3, QPointF(10, -4)},
              {new KORA::CValueOwnedPointer<KORA::CImage>(image), 5, QPointF(104, 104)}}) {
            QWidget* window = host.show(value, "ScatterPlotMainWindow");
            auto* view = window->findChild<QWidget*>(QStringLiteral("ScatterView"));
            QCOMPARE(view->property("pointCount").toInt(), points);
            QVERIFY(view->property("dataRange").toRectF().contains(contains));
        }
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<Value>("value");
        QTest::addColumn<QString>("reason");
        QTest::newRow("plot without a host window") << QString(kPlot) + "|" << Value(Parse("[[1, 2]]")) << "QWidgetPointer";
        QTest::newRow("display, widget pointer") << kDisplay << Value(new KORA::CValuePointer<QWidget>(nullptr)) << "Display: cannot show";
        QTest::newRow("display, empty image") << kDisplay << Value(ImageValue(KORA::IMAGE_GREY_8, 0, 0)) << "no pixels";
        QTest::newRow("plot, mixed vector") << kPlot << Value(Parse("[1, \"x\"]")) << "entry 1";
        QTest::newRow("plot, mixed nesting") << kPlot << Value(Parse("[[1], 2]")) << "entry 1";
        QTest::newRow("scatter, long") << kScatter << Value(Parse("7")) << "ScatterPlot: cannot plot a long";
        QTest::newRow("scatter, triple") << kScatter << Value(Parse("[[1, 2], [1, 2, 3]]")) << "entry 1";
        QTest::newRow("scatter, wide image") << kScatter << Value(ImageValue(KORA::IMAGE_GREY_F, 3, 4)) << "two columns";
        QTest::newRow("scatter, rgb image") << kScatter << Value(ImageValue(KORA::IMAGE_RGB_8, 2, 4)) << "RGB_8";
    }
    void refusals()
    {
        QFETCH(QString, path);
        QFETCH(Value, value);
        QFETCH(QString, reason);
        // "|" after the path: the host offers no window.
        const QString plugin = path.section('|', 0, 0);
        Host host(plugin == kDisplay ? kDisplay : plugin == kPlot ? kPlot : kScatter, !path.endsWith('|'));
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
};

QTEST_MAIN(ViewerPluginsTest)
#include "test_viewerplugins.moc"
