// The image viewer on a 4000 x 4000 16-bit image: the one-off work per image (statistics and contrast
// window, 8-bit conversion) and what every repaint costs while panning and zooming (the visible part of a
// 1000 x 800 window at several zooms, drawn into a backing-store-like picture).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

#include <QApplication>
#include <QPainter>

#include "imagerender.h"
#include "imageview.h"

namespace {

const KORA::CImage& BigImage()
{
    static const std::unique_ptr<KORA::CImage> image = [] {
        auto created = std::make_unique<KORA::CImage>(KORA::IMAGE_GREY_16, KORA::CSize(4000, 4000));
        for (int64_t y = 0; y < 4000; ++y) {
            uint16_t* row = created->Row<uint16_t>(y);
            for (int64_t x = 0; x < 4000; ++x)
                row[x] = static_cast<uint16_t>((x * 13 + y * 7) % 4096 + 1000);
        }
        return created;
    }();
    return *image;
}

void BM_AnalyseImage(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(viewers::AnalyseImage(BigImage()));
}
BENCHMARK(BM_AnalyseImage)->Unit(benchmark::kMillisecond);

void BM_ConvertTo8Bit(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(viewers::RenderPlane(BigImage(), 0, 1000.0, 5095.0));
}
BENCHMARK(BM_ConvertTo8Bit)->Unit(benchmark::kMillisecond);

// Argument: zoom in percent. Each iteration pans by a few pixels, as a drag does.
void BM_PaintVisiblePart(benchmark::State& state)
{
    viewers::ImageView view;
    view.resize(1000, 800);
    view.setPicture(viewers::RenderPlane(BigImage(), 0, 1000.0, 5095.0), false);
    view.setScale(state.range(0) / 100.0, QPointF(500, 400));
    QImage backing(1000, 800, QImage::Format_ARGB32_Premultiplied);
    {
        // The zoom-out pyramid level is built on the first paint at a zoom; that is one-off work too.
        QPainter painter(&backing);
        view.paintPicture(painter, backing.rect());
    }
    int step = 0;
    for (auto _ : state) {
        view.zoomAt(QPointF(500, 400), 1.0);
        QPainter painter(&backing);
        painter.translate((step++ % 7) - 3, 0);
        view.paintPicture(painter, backing.rect());
    }
}
BENCHMARK(BM_PaintVisiblePart)->Arg(2)->Arg(10)->Arg(25)->Arg(50)->Arg(100)->Arg(400)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    // Widgets need an application; no display is needed to paint into pictures.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
