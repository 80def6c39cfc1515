#include "executor/graphexecutor.h"

#include <QElapsedTimer>

#include <algorithm>
#include <iostream>

#include <sys/syscall.h>
#include <unistd.h>

#include "executor/outputnaming.h"
#include "items/item.h"
#include "kora/kora.h"

namespace VORNE {

namespace {

// One executor per process; the scheduler's plain-function callbacks have no other way to reach it.
std::atomic<GraphExecutor*> g_current{nullptr};

// Whether a system thread of this process still exists (a detached thread gives no other sign).
bool taskExists(long id)
{
    const QByteArray task = "/proc/self/task/" + QByteArray::number(static_cast<qlonglong>(id));
    return ::access(task.constData(), F_OK) == 0;
}

} // namespace

GraphExecutor::GraphExecutor(QObject* parent)
    : QThread(parent), m_outputs(new KORA::CValueVector())
{
    g_current.store(this);
}

GraphExecutor::~GraphExecutor()
{
    // The owner normally waits after finished(); waiting here keeps a destroyed executor from being read
    // by its own thread.
    if (isRunning()) {
        abort();
        wait();
    }
    waitForSaves(); // they write into the items deleted below
    m_saves.reset();
    waitForThreadExit();
    GraphExecutor* self = this;
    g_current.compare_exchange_strong(self, nullptr);
    delete m_outputs;
    delete m_graphParameters;
    if (m_ownsOutputItems)
        qDeleteAll(m_outputItems);
}

void GraphExecutor::waitForSaves()
{
    for (std::future<void>& save : m_pendingSaves)
        save.wait();
    m_pendingSaves.clear();
}

// Only a thread that start() made holds Qt's data of this thread object; an execute() runs on a thread that
// its caller ends. Forgets the threads already gone, and an earlier one whose number the system has given to
// this one.
void GraphExecutor::rememberThread()
{
    if (QThread::currentThread() != this)
        return;
    const long self = static_cast<long>(::syscall(SYS_gettid));
    m_threadIds.erase(std::remove_if(m_threadIds.begin(), m_threadIds.end(),
                                     [self](long id) { return id == self || !taskExists(id); }),
                      m_threadIds.end());
    m_threadIds.push_back(self);
}

void GraphExecutor::waitForThreadExit() const
{
    // wait() returns before the system thread has run its thread-local destructors, one of which releases
    // Qt's data of this thread object; a process ending in between would leave that data behind. Every
    // run has its own thread, and an earlier one can still be ending when a later run is over. The
    // threads are detached, so their disappearance from the task list is the only sign that they are gone.
    for (int attempt = 0; attempt < 2000; ++attempt) {
        if (std::none_of(m_threadIds.begin(), m_threadIds.end(), taskExists))
            return;
        QThread::usleep(500);
    }
}

GraphExecutor* GraphExecutor::current()
{
    return g_current.load();
}

bool GraphExecutor::refusedWhileRunning(const char* prefix, const char* message) const
{
    if (!isRunning())
        return false;
    std::cerr << prefix << message << std::endl;
    return true;
}

void GraphExecutor::setInputItems(const QList<Item*>& items)
{
    if (!refusedWhileRunning("GraphExecutor:setInputItems(): "))
        m_inputItems = items;
}

void GraphExecutor::setMaxThreads(int threads)
{
    if (!refusedWhileRunning("GraphExecutor:setMaxThreads(): "))
        m_maxThreads = threads < 0 ? 0 : threads;
}

void GraphExecutor::setExecutorType(int type)
{
    if (!refusedWhileRunning("GraphExecutor::setExecutorType(): "))
        m_executorType = type;
}

void GraphExecutor::setGraphPath(const QString& path)
{
    if (!refusedWhileRunning("GraphExecutor:setGraphPath(): "))
        m_graphPath = path;
}

void GraphExecutor::setGraphMap(KORA::CValueMap* map)
{
    if (!refusedWhileRunning("GraphExecutor:setGraphMap(): "))
        m_graphMap = map;
}

void GraphExecutor::setGraph(OstrelGraph::Graph* graph)
{
    if (!refusedWhileRunning("GraphExecutor::setGraph(): ", "Cannot be changed during a run."))
        m_graph = graph;
}

void GraphExecutor::setGraphParameters(KORA::CValueMap* parameters)
{
    // A refused map stays with the caller.
    if (refusedWhileRunning("GraphExecutor:setGraphParameters(): "))
        return;
    if (parameters != m_graphParameters)
        delete m_graphParameters;
    m_graphParameters = parameters;
}

void GraphExecutor::setOutputNames(const QList<OutputPattern>& names)
{
    if (!refusedWhileRunning("GraphExecutor:setOutputNames(): "))
        m_outputNames = names;
}

void GraphExecutor::setInputCache(InputCache* cache)
{
    if (!refusedWhileRunning("GraphExecutor::setInputCache(): "))
        m_inputCache = cache;
}

void GraphExecutor::setSaveBehind(bool behind)
{
    if (refusedWhileRunning("GraphExecutor::setSaveBehind(): "))
        return;
    m_saveBehind = behind;
    if (behind && !m_saves)
        m_saves = std::make_unique<TaskQueue>();
}

void GraphExecutor::abort()
{
    m_aborted.store(true, std::memory_order_relaxed);
}

QList<Item*> GraphExecutor::outputItems(bool detach)
{
    if (!detach)
        return m_outputItems;
    if (!m_ownsOutputItems) {
        std::cerr << "GraphExecutor::outputItems(): "
                  << "Output items have already been detached!" << std::endl;
        return {};
    }
    m_ownsOutputItems = false;
    return m_outputItems;
}

QString GraphExecutor::outputFilename(int port) const
{
    QList<NamingInput> inputs;
    inputs.reserve(m_inputItems.size());
    for (const Item* item : m_inputItems)
        inputs.append(namingInput(item));
    const KORA::CImage* image = nullptr;
    if (port >= 0) {
        const KORA::CValue* output = m_outputs->At(static_cast<std::size_t>(port));
        if (KORA::IsPointerTo<KORA::CImage>(output))
            image = KORA::UnwrapPointer<KORA::CImage>(output);
    }
    return VORNE::outputFilename(m_outputNames, port, inputs, image);
}

void GraphExecutor::fail(const QString& message)
{
    m_error = true;
    m_errorMessage = message;
}

void GraphExecutor::run()
{
    rememberThread();
    std::cout << ">>> GraphExecutor::run()..." << std::endl;
    m_errorMessage.clear();
    m_inputErrors.clear();
    m_inputPixelSizes = QVector<InputPixelSize>(m_inputItems.size());
    m_error = false;
    m_aborted.store(false, std::memory_order_relaxed);
    m_outputs->Clear();
    m_outputPortNames.clear();

    std::cout << "Executing graph as " << (m_executorType == OstrelExecutor ? "Ostrel" : "CPGraph")
              << " graph." << std::endl;
    const QString firstInput = m_inputItems.isEmpty() || !m_inputItems.first()
                                   ? QString()
                                   : m_inputItems.first()->summaryText();
    if (m_executorType == OstrelExecutor || m_executorType == CPGraphExecutor) {
        if (m_executorType == OstrelExecutor)
            std::cout << " Executing for: " << firstInput.toLocal8Bit().constData() << std::endl;
        // The kinds catch what the graph throws; this catches what the steps around it throw, because an
        // exception leaving run() would end the process.
        try {
            if (m_executorType == OstrelExecutor)
                runAsOstrelGraph();
            else
                runAsCPGraph();
        } catch (const KORA::CException& exception) {
            fail(QString::fromLocal8Bit(exception.FormattedWhat().c_str()));
        } catch (const std::exception& exception) {
            fail(QString::fromLocal8Bit(exception.what()));
        } catch (...) {
            fail(tr("Unexpected error!"));
        }
    } else {
        fail(QStringLiteral("Unknown executor id '%1'. try setExecutorType().").arg(m_executorType));
        std::cerr << "GraphExecutor::run() " << m_errorMessage.toLocal8Bit().constData() << std::endl;
    }

    const bool wasAborted = aborted();
    std::cout << (wasAborted ? "GraphExecutor::run() aborted." : "Execution complete.") << std::endl;
    std::cout << "<<< GraphExecutor::run()..." << std::endl;
    if (!wasAborted)
        collectOutputs();
}

bool GraphExecutor::timedExecution(const std::function<void()>& execute)
{
    QElapsedTimer timer;
    timer.start();
    bool succeeded = false;
    try {
        execute();
        succeeded = true;
    } catch (const KORA::CException& exception) {
        m_errorMessage = QString::fromLocal8Bit(exception.FormattedWhat().c_str());
    } catch (const std::exception& exception) {
        m_errorMessage = QString::fromLocal8Bit(exception.what());
    } catch (...) {
        m_errorMessage = tr("Unexpected error!");
    }
    m_executionTime = timer.elapsed();
    return succeeded;
}

} // namespace VORNE
