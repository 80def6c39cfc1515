#pragma once
// VORNE's main widget: graph selection and parameters, one item list per input and output port, input
// editing, and (through the executor) the batch run. It is at the same time a node of the suite's plug-in
// framework, so that the suite can embed it and hand it the graph that is open there.
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QWidget>

#include "kora/node.h"
#include "viewers/viewerhost.h"

class QCloseEvent;
class QListView;
class QTimer;
class QModelIndex;

namespace KORA {
class CValueMap;
}

namespace OstrelGraph {
class Graph;
}

namespace Ui {
class PVorne;
}

namespace VORNE {
class DisplayManager;
class MessageBanner;
class GraphExecutor;
class PlaneSplitter;
class Item;
class ItemModel;
class ResultsBar;
} // namespace VORNE

class PVorne : public QWidget, public KORA::CPNode, public VORNE::ViewerHost
{
    Q_OBJECT
    Q_INTERFACES(VORNE::ViewerHost)

public:
    explicit PVorne(QWidget* parent = nullptr);
    ~PVorne() override;

    // Node side: with "interactive" false nothing happens; otherwise the widget embeds itself in the
    // host widget named by "ParameterUiParentWidget" and prepares the graph field from "GraphMap" or
    // "Graph". Loads nothing itself.
    void NodeInit() override;
    // The node description the suite's graph editor shows: no ports, the batch settings as parameters.
    void GetPluginSetup(KORA::CValueMap& setup) override;

    // The viewer manager's reads (see viewers/viewerhost.h).
    QList<VORNE::ItemModel*> portModels(int portType) const override;
    QStringList portNames(int portType) const override;

    // Run states; the run controls follow them (see pvorne_run.cpp).
    enum RunState { Idle = 0, Paused = 1, PauseRequested = 2, Running = 3, Starting = 4, CancelRequested = 5 };

    // Why the last graph load gave no graph; empty after a successful load.
    QString graphLoadError() const { return m_graphLoadError; }

signals:
    void aboutToReloadGraph();
    void reloadedGraph();

public slots:
    void showAbout();
    void loadHelp();
    void showImage(const QModelIndex& index);
    bool graphIsLoaded();
    bool loadGraph(const QString& graph_path, bool wait_ = false);
    bool loadSelectedGraph(bool wait_ = false);
    void chooseGraph();
    void useCurrentOstrelGraph();

protected slots:
    // The one way an item enters an input list; port_index -1 means the current input page. An item for
    // a port that does not exist is reported and deleted.
    void addInputItem(VORNE::Item* item, int port_index = -1);
    void addImageInput();
    void addImageFileInput(const QString& filename, int port_index);
    void addTxtInput();
    void addTxtInput(const QString& filename);
    void addLongInput();
    void addDoubleInput();
    void addStringInput();
    void addBoolInput();
    void addVectorInput();
    void moveInputUp();
    void moveInputDown();
    void deleteInputItems();
    void itemSelectionToClipboard();
    // Splits the files into folder on the splitter's thread and adds the written files to the port's list
    // when done; the outcome goes to the message area.
    void splitImageFiles(const QStringList& files, const QString& folder, int port_index);
    // Output items no longer match changed inputs: they all go.
    void onInputEdit();
    void modelItemsCountChanged();

    // The batch loop, one batch index per executor start; all of it on the GUI thread. Run() is also the
    // node's run operation, so a host starts a batch the same way as the Run button.
    void Run() override;
    // The Run button: warns of outputs that would overwrite each other before Run() (a host's run does not
    // ask).
    void runRequested();
    void run_execute();
    void cancel();
    void pauseRun();
    void resumeRun();
    void runComplete();
    void executeGraph();
    void graphComplete();

protected:
    void showEvent(QShowEvent* event) override;
    // Stand-alone, closing during a run asks first; a host that owns the window decides for itself.
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // A new graph for the text of the graph field, or null with the reason (also on standard error).
    OstrelGraph::Graph* openGraph(const QString& text, QString& reason);
    // The message area's word on the graph just loaded (or not), with a Retry for a failed one.
    void reportGraphLoad(const QString& path);
    // Makes the port pages follow the port counts; input lists of surviving ports keep their items.
    void updatePorts(int inputs, int outputs);
    void setPortTitle(int direction, int port);
    void refreshPortTitles();
    // The graph's parameters without hidden entries, as XML text; empty without a graph.
    QString visibleParameters();
    int currentInputPort() const;
    // What the Add button does with chosen files, for the port (-1: the current one): text lists are
    // read, every other file becomes an image-file item.
    void addImageFiles(const QStringList& files, int port_index);
    // Files dropped on a port's list: those the format registry knows go to addImageFiles, the others are
    // named, with the reason, in a message.
    void addDroppedFiles(const QStringList& files, int port_index);
    void addTextList(const QString& filename, int port_index);
    // The input list's right-click menu: "Split channels and time points..." for the selected image files.
    void showInputMenu(int port_index, const QPoint& at);
    void splitFinished(int port_index, const QStringList& written, const QStringList& errors);
    // The plane rows follow the other input controls: usable between batches only.
    void enablePlaneRows(bool enabled);
    // A value typed by the user; a null string when the dialog was cancelled.
    QString askValue(const char* title, const char* prompt);
    // The parameters text as a new map for the executor; null (and the reason on standard error and in
    // the message area) when the text cannot be read. Keys the graph lacks are named in the message area.
    KORA::CValueMap* editedParameters();
    // Outputs of the batch as it stands that would overwrite each other; true when there are none or the
    // user chose to run anyway.
    bool confirmOutputCollisions();
    // The field shows a graph other than the loaded one: say so, with a Reload action.
    void reportGraphNotLoaded();
    // True, with the report above, when the field does not name the loaded graph.
    bool refuseUnloadedGraph();
    // Tallies a finished step's output items for the end-of-batch message.
    void countStepResults(const QList<VORNE::Item*>& items);
    void reportBatchEnd();
    // Output folders of the patterns that do not exist, said in the message area (the run goes on: the
    // saves then fail, each with its reason).
    void reportMissingFolders();
    // Cancel as the Cancel button does; a graph load uses it too.
    void requestCancel();
    // The progress bar of a step. A progress bar repaints at once whenever its text changes, which in a
    // batch of small steps costs a good share of each step; so the bar is painted at most every 40 ms and
    // the latest figures follow when a pause or the batch's end leaves them standing.
    void showProgress(int value, int maximum);
    void flushProgress();

    bool m_firstShow = true;
    Ui::PVorne* ui;
    QList<QListView*> m_inputViews;
    QList<VORNE::ItemModel*> m_inputModels;
    QStringList m_inputNames;
    QList<QListView*> m_outputViews;
    QList<VORNE::ItemModel*> m_outputModels;
    QStringList m_outputNames;
    VORNE::DisplayManager* m_displayManager = nullptr;
    bool m_graphLoaded = false;
    OstrelGraph::Graph* m_graph = nullptr;
    RunState m_runState = Idle;
    QMutex m_runLock;
    int m_batchIndex = 0;
    VORNE::GraphExecutor* m_executor = nullptr;
    // Repeats the abort of a cancelled step while it runs.
    QTimer* m_cancelRepeat = nullptr;
    QTimer* m_titleRefresh = nullptr;
    QTimer* m_progressRefresh = nullptr;
    QElapsedTimer m_progressPainted;
    int m_progressValue = 0;
    int m_progressMaximum = 0;
    VORNE::MessageBanner* m_banner = nullptr;
    // The field's text when the graph was last loaded: a run stamps only this path on its outputs.
    QString m_loadedPath;
    QString m_graphLoadError;
    // The parameter keys the loaded graph shows, before any run merged edited ones into its map.
    QStringList m_parameterKeys;
    // The running batch's tally for its end message.
    struct BatchTally
    {
        int steps = 0;
        int failedSteps = 0;
        int unsavedOutputs = 0;
        QStringList inputErrors;
        // Why steps failed or outputs went unsaved, with how many steps each reason hit, in first-seen order.
        QStringList reasons;
        QHash<QString, int> reasonSteps;
    } m_tally;
    VORNE::ResultsBar* m_resultsBar = nullptr;
    VORNE::PlaneSplitter* m_splitter = nullptr;
};

namespace VORNE {
// "<ms>ms / hh:mm:ss.zzz", hours not limited: how the duration of one step is logged.
QString durationText(qint64 ms);
} // namespace VORNE
