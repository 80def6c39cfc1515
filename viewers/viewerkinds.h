#pragma once
// The viewer kinds whose windows a suite plug-in draws: one row per kind, read by the kind selectors, the
// viewer manager's factory and the one implementation behind every plug-in backed viewer. A new kind is a
// row here and, when it needs a class of its own, a thin subclass of PluginDisplay.
//
// Besides naming the plug-in and its window, a row says every way the kinds differ in how they talk to
// their plug-in and how much of a failure they report; the columns below are those differences.
#include <QString>

#include <vector>

class QWidget;

namespace KORA {
class CValue;
} // namespace KORA

namespace VORNE {

class AbstractDisplay;

struct ViewerKind
{
    enum Catching { KoraExceptionsOnly, AllExceptions };
    enum LoadReport { NoLoadReport, ReportLoaderThrows, ReportAnyLoadFailure };
    enum FirstSizing { KeepSize, Resize500, AdjustToContents };

    // As the kind selectors list it.
    const char* name;
    // Given to the plug-in loader as it stands, placeholder unexpanded.
    const char* pluginPath;
    // How the plug-in's window is found: the object name of its top widget among the viewer's descendants.
    const char* windowName;
    AbstractDisplay* (*create)(int portType, int portIndex, QWidget* parent);

    // Loading the plug-in: the exceptions caught (others leave the constructor), when the failure is
    // written to standard error, and its text (the loader's reason follows after "\nWhy: ").
    Catching loadCatches;
    LoadReport loadReport;
    const char* loadFailureText;
    // The plug-in's status-line template; null: the parameter is not set.
    const char* statusLine;

    // What an item without a value (undefined or no-value type) shows, given what the item is (a short
    // state such as "Step failed"); null: the item's own conversion, which gives nothing, so that the
    // window only flashes.
    KORA::CValue* (*valueForEmptyItem)(const QString& state);
    // The node's entry 0 gets a smart value around the item's value instead of the value itself.
    bool wrapValue;

    // Executing the node: the exceptions caught and the report of a caught one, followed by the error
    // text when errorInReport is set.
    Catching executeCatches;
    const char* executeFailureText;
    bool errorInReport;

    // The plug-in's window is made central after every successful execution, not only the first.
    bool adoptEveryTime;
    // The viewer's toolbar moves onto a new row of the plug-in's window when that is a main window.
    bool toolbarIntoPluginWindow;
    // What the first successful execution does to the window's size.
    FirstSizing firstSizing;
};

// The factory of a row: a viewer class with the described constructor.
template <class Viewer>
AbstractDisplay* makeViewer(int portType, int portIndex, QWidget* parent)
{
    return new Viewer(portType, portIndex, parent);
}

// In the order the kind selectors list them; the first is the kind of every new viewer.
const std::vector<ViewerKind>& viewerKinds();
// The row of exactly that (case-sensitive) name, or null.
const ViewerKind* findViewerKind(const QString& name);
// The row whose factory is create; a viewer class without a row stops the program here, at its first
// construction, naming no row rather than reading a wrong one.
const ViewerKind& viewerKindMadeBy(AbstractDisplay* (*create)(int, int, QWidget*));

// A viewer class's own row, found by its factory, so that the class needs neither an index nor a second
// copy of its kind's name.
template <class Viewer>
const ViewerKind& viewerKindOf()
{
    return viewerKindMadeBy(&makeViewer<Viewer>);
}

} // namespace VORNE
