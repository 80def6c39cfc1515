#include "viewers/viewerkinds.h"

#include "viewers/display.h"
#include "viewers/plot.h"
#include "viewers/scatterplot.h"

namespace VORNE {

namespace {

// The image plug-in's status-line template; the viewer only passes it on.
constexpr const char* ImageStatusLine =
    "%t|(%s)|%v|(%imin, %imax, %imean, %isigma)|(%pmin, %pmax, %pmean, %psigma)";

// Rows are read by index nowhere: a viewer class finds its row by its factory (viewerKindOf).
// Built on first use, after every static initialiser.
const std::vector<ViewerKind>& Kinds()
{
    static const std::vector<ViewerKind> kinds = {
    ViewerKind{"display::Display", "%KORADIR%/bin/display::Display", "DisplayMainWindow", &makeViewer<Display>,
     ViewerKind::AllExceptions, ViewerKind::ReportAnyLoadFailure,
     "Display: Could not load the display::Display plugin.", ImageStatusLine,
     &Display::errorImageValue, false,
     ViewerKind::AllExceptions, "Display::updateView() Failed to execute display plugin:\n", true,
     false, true, ViewerKind::Resize500},
    ViewerKind{"display::ScatterPlot", "%KORADIR%/bin/display::ScatterPlot", "ScatterPlotMainWindow", &makeViewer<ScatterPlot>,
     ViewerKind::KoraExceptionsOnly, ViewerKind::ReportLoaderThrows,
     "ScatterPlot: Could not load the display::ScatterPlot plugin.", nullptr,
     nullptr, false,
     ViewerKind::KoraExceptionsOnly, "ScatterPlot::updateView() Could not execute scatter plot plugin.", false,
     true, false, ViewerKind::KeepSize},
    ViewerKind{"plot::Plot", "%KORADIR%/bin/plot::Plot", "PlotMainWindow", &makeViewer<Plot>,
     ViewerKind::KoraExceptionsOnly, ViewerKind::NoLoadReport, "", nullptr,
     nullptr, true,
     ViewerKind::KoraExceptionsOnly, "Plot::updateView() Could not execute plot plugin.", false,
     false, false, ViewerKind::AdjustToContents},
    };
    return kinds;
}

} // namespace

const std::vector<ViewerKind>& viewerKinds()
{
    return Kinds();
}

const ViewerKind* findViewerKind(const QString& name)
{
    for (const ViewerKind& kind : Kinds()) {
        if (name == QLatin1String(kind.name))
            return &kind;
    }
    return nullptr;
}

const ViewerKind& viewerKindMadeBy(AbstractDisplay* (*create)(int, int, QWidget*))
{
    for (const ViewerKind& kind : Kinds()) {
        if (kind.create == create)
            return kind;
    }
    qFatal("A viewer class has no row in the table of viewer kinds");
}

} // namespace VORNE
