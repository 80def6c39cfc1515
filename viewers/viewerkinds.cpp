#include "viewers/viewerkinds.h"

#include "viewers/display.h"
#include "viewers/plot.h"
#include "viewers/scatterplot.h"

namespace VORNE {

namespace {

template <class Viewer>
AbstractDisplay* make(int portType, int portIndex, QWidget* parent)
{
    return new Viewer(portType, portIndex, parent);
}

// The image plug-in's status-line template; the viewer only passes it on.
constexpr const char* ImageStatusLine =
    "%t|(%s)|%v|(%imin, %imax, %imean, %isigma)|(%pmin, %pmax, %pmean, %psigma)";

// Sized by its rows, so that an index without its row stops the build instead of leaving a null create.
template <class... Rows>
constexpr std::array<ViewerKind, sizeof...(Rows)> rows(const Rows&... kinds)
{
    return {{kinds...}};
}

const auto Kinds = rows(
    ViewerKind{"display::Display", "%KORADIR%/bin/display::Display", "DisplayMainWindow", &make<Display>,
     ViewerKind::AllExceptions, ViewerKind::ReportAnyLoadFailure,
     "Display: Could not load the display::Display plugin.", ImageStatusLine,
     &Display::errorImageValue, false,
     ViewerKind::AllExceptions, "Display::updateView() Failed to execute display plugin:\n", true,
     false, true, ViewerKind::Resize500},
    ViewerKind{"display::ScatterPlot", "%KORADIR%/bin/display::ScatterPlot", "ScatterPlotMainWindow", &make<ScatterPlot>,
     ViewerKind::KoraExceptionsOnly, ViewerKind::ReportLoaderThrows,
     "ScatterPlot: Could not load the display::ScatterPlot plugin.", nullptr,
     nullptr, false,
     ViewerKind::KoraExceptionsOnly, "ScatterPlot::updateView() Could not execute scatter plot plugin.", false,
     true, false, ViewerKind::KeepSize},
    ViewerKind{"plot::Plot", "%KORADIR%/bin/plot::Plot", "PlotMainWindow", &make<Plot>,
     ViewerKind::KoraExceptionsOnly, ViewerKind::NoLoadReport, "", nullptr,
     nullptr, true,
     ViewerKind::KoraExceptionsOnly, "Plot::updateView() Could not execute plot plugin.", false,
     false, false, ViewerKind::AdjustToContents});
static_assert(std::tuple_size<decltype(Kinds)>::value == ViewerKindCount, "one row per ViewerKindIndex");

} // namespace

const std::array<ViewerKind, ViewerKindCount>& viewerKinds()
{
    return Kinds;
}

const ViewerKind* findViewerKind(const QString& name)
{
    for (const ViewerKind& kind : Kinds) {
        if (name == QLatin1String(kind.name))
            return &kind;
    }
    return nullptr;
}

} // namespace VORNE
