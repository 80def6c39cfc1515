#pragma once
// The worker thread of a batch: one start() executes the graph once, for one batch index, with one input
// item per input port. The batch loop, pausing and resuming live in the caller; the executor only knows an
// abort request.
//
// Threads: configuration, run counters and results belong to the caller's thread and are only touched
// while the thread is not running (the setters check and refuse). run() and everything it calls belong to
// the executor's thread. The one datum shared while running is the abort flag.
//
// The member functions are spread over several files by concern: configuration and run() here, the two
// executor kinds, input loading, and output collection each in their own .cpp.
#include <QList>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QVector>

#include <atomic>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <vector>

#include "executor/outputpattern.h"
#include "executor/taskqueue.h"

namespace KORA {
class CImage;
class CValue;
class CValueMap;
class CValueVector;
} // namespace KORA

namespace OstrelGraph {
class Graph;
} // namespace OstrelGraph

namespace VORNE {

class InputCache;
class Item;

// The pixel size of an input image as KORA::PixelSizeText and KORA::PixelUnitText give it; empty for
// inputs without one (values, plain images).
struct InputPixelSize
{
    QString size;
    QString unit;
};

class GraphExecutor : public QThread
{
    Q_OBJECT

public:
    enum ExecutorType { OstrelExecutor = 0, CPGraphExecutor = 1 };

    explicit GraphExecutor(QObject* parent = nullptr);
    ~GraphExecutor() override;

    // Every setter refuses to change anything while the thread runs and says so on standard error.
    void setInputItems(const QList<Item*>& items); // not owned
    void setMaxThreads(int threads);               // negative means 0
    void setExecutorType(int type);                // checked only when run
    void setGraphPath(const QString& path);        // a CPGraph file or "CURRENT GRAPH"
    void setGraphMap(KORA::CValueMap* map);        // not owned; used for "CURRENT GRAPH"
    void setGraph(OstrelGraph::Graph* graph);      // not owned
    void setGraphParameters(KORA::CValueMap* parameters); // owned; deletes the previous map
    void setOutputNames(const QList<OutputPattern>& names);

    // Overlapping a batch's indices, for the headless runner only (the window keeps each execution whole).
    // With a cache, inputs decoded ahead are taken from it (not owned; null: none). With saving behind,
    // image outputs are written in order on a thread of the executor and the execution ends without
    // waiting; its item names the file (or the failure) only once the caller has waited for
    // takePendingSaves().
    void setInputCache(InputCache* cache);
    void setSaveBehind(bool behind);
    // Saved images carry the checksum of their bytes (Item::ChecksumRole); on by default.
    void setChecksums(bool on) { m_checksums = on; }
    std::vector<std::future<void>> takePendingSaves() { return std::move(m_pendingSaves); }

    // One execution in the calling thread instead of a thread of its own, with the same steps as start():
    // for a caller that keeps one thread for a whole batch (the headless runner), so that what the
    // libraries keep per thread is set up once, not once per index. The setters cannot refuse meanwhile.
    void execute() { run(); }

    // Returns at once; the execution stops at its next check.
    void abort();

    qint64 executionTime() const { return m_executionTime; }
    QList<Item*> inputItems() const { return m_inputItems; }
    // With detach the caller takes the items over; a second detach returns nothing.
    QList<Item*> outputItems(bool detach);

    int maxThreads() const { return m_maxThreads; }
    int executorType() const { return m_executorType; }
    QString graphPath() const { return m_graphPath; }
    KORA::CValueMap* graphMap() const { return m_graphMap; }
    OstrelGraph::Graph* graph() const { return m_graph; }
    KORA::CValueMap* graphParameters() const { return m_graphParameters; }
    QList<OutputPattern> outputNames() const { return m_outputNames; }
    bool error() const { return m_error; }
    QString errorMessage() const { return m_errorMessage; }
    // Why inputs of the last execution could not be read: "cannot read input 0 'image' from 'a.png':
    // the file is empty", one entry per input. The execution may still have run (and failed for the
    // missing value); the output items carry the same lines (Item::InputErrorRole).
    QStringList inputErrors() const { return m_inputErrors; }
    // Per input port of the last execution, taken from the image as it was loaded for the run, so that
    // the results table needs no second decode of the file.
    QVector<InputPixelSize> inputPixelSizes() const { return m_inputPixelSizes; }
    int outputCount() const { return m_outputCount; }
    bool aborted() const { return m_aborted.load(std::memory_order_relaxed); }

    // The full file name for an output port of the last execution (see outputnaming.h for the rules).
    QString outputFilename(int port) const;

    // The executor the scheduler's callbacks ask about an abort; null when there is none.
    static GraphExecutor* current();

    // Written by the caller before each start(); runsFailed is also counted up by failed executions.
    int runIndex = 0;
    int runsTotal = 0;
    int runsFailed = 0;

protected:
    void run() override;
    // Input loading: the value a graph input receives for an item (null, with the error set, on failure).
    KORA::CValue* loadInput(Item* item);

private:
    KORA::CValue* decodeInput(Item* item);
    void runAsOstrelGraph();
    void runAsCPGraph();
    // Times one execution of the graph; a failure of any kind becomes m_errorMessage, without console
    // output. Returns whether it succeeded.
    bool timedExecution(const std::function<void()>& execute);
    KORA::CImage* loadTxtImage(const QString& path);
    void noteInputError(const Item* item, const QString& reason);
    void collectOutputs();
    Item* outputItem(int port);
    void fillFromPointer(Item* item, int port);
    void saveOutputImage(Item* item, int port);
    void saveBehind(Item* item, int port, const QString& name, const KORA::CImage* image);
    void stampImageAttributes(KORA::CValueMap& attributes, int port) const;
    void fail(const QString& message);
    void waitForSaves();
    void rememberThread();
    void waitForThreadExit() const;
    // Prints the prefix and the refusal when the thread runs.
    bool refusedWhileRunning(const char* prefix, const char* message = "Can not be changed during a run.") const;

    QList<Item*> m_inputItems;
    qint32 m_maxThreads = 0;
    qint32 m_executorType = OstrelExecutor;
    QString m_graphPath;
    KORA::CValueMap* m_graphMap = nullptr;
    KORA::CValueMap* m_graphParameters = nullptr;
    OstrelGraph::Graph* m_graph = nullptr;
    QList<OutputPattern> m_outputNames;
    // Labels for image handles at ports that have no input of the same index.
    QStringList m_outputPortNames;
    KORA::CValueVector* m_outputs = nullptr;
    qint32 m_outputCount = 0;
    QList<Item*> m_outputItems;
    bool m_ownsOutputItems = false;
    bool m_error = false;
    QString m_errorMessage;
    QStringList m_inputErrors;
    QVector<InputPixelSize> m_inputPixelSizes;
    qint64 m_executionTime = 0;
    std::atomic<bool> m_aborted{false};
    // The system threads of runs that may still be ending; each start() runs on a new one. Written by
    // run(), read by the destructor once no run is left.
    std::vector<long> m_threadIds;
    InputCache* m_inputCache = nullptr;
    bool m_saveBehind = false;
    bool m_checksums = true;
    std::vector<std::future<void>> m_pendingSaves;
    std::unique_ptr<TaskQueue> m_saves; // made when saving behind is first asked for
};

} // namespace VORNE
