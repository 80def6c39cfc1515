// vorne-batch: runs a graph over a batch without a display, with the executor, items and text lists of
// the main window, so that its files are the ones a run in the window would write.
#include <QCoreApplication>
#include <QDir>
#include <QThread>

#include <cstdio>
#include <future>
#include <unistd.h>

#include "executor/version.h"
#include "kora/kora.h"
#include "tools/batchplan.h"
#include "tools/console.h"
#include "tools/indexrunner.h"
#include "tools/interrupt.h"
#include "tools/journal.h"
#include "tools/logging.h"
#include "tools/options.h"
#include "tools/processexit.h"
#include "tools/reruncommand.h"
#include "tools/runresults.h"
#include "tools/splitcommand.h"
#include "tools/session.h"
#include "tools/sources.h"
#include "tools/worker.h"
#include "tools/workerpool.h"

using namespace VORNE::batch;

namespace {

int complain(const char* message, int status)
{
    std::fprintf(stderr, "vorne-batch: %s\n", message);
    return status;
}

// Without KORADIR the build tree or installation this program lives in is the suite.
void defaultKoradir()
{
    if (!qEnvironmentVariableIsEmpty("KORADIR"))
        return;
    QDir root(QCoreApplication::applicationDirPath());
    root.cdUp();
    qputenv("KORADIR", QDir::toNativeSeparators(root.absolutePath()).toLocal8Bit());
}

int runLocally(const BatchPlan& plan, const Options& options, Session& session)
{
    IndexRunner runner(plan, options.threads);
    setAbortTarget(&runner);
    startWatchdog(options.graceSeconds);
    setLastAction([&session] { session.finish(true); });
    runner.runAll(session.toRun(), &interrupted, [&session](const IndexResult& result) { session.record(result); });
    setAbortTarget(nullptr);
    setLastAction(nullptr);
    return session.finish(interrupted());
}

int runWithWorkers(const BatchPlan& plan, const Options& options, Session& session)
{
    const int processors = std::max(1, QThread::idealThreadCount());
    // Workers that each took every processor would fight over them.
    const int threads = options.threads > 0 ? options.threads : std::max(1, processors / options.jobs);
    const int grace = options.graceSeconds;
    if (!plan.pngOnly())
        KORA::CImageIo2::LoadCodecs();
    WorkerPool pool(
        [&plan, threads, grace](int indices, int results) {
            startWatchdog(grace, 300);
            return runWorker(plan, threads, indices, results);
        },
        options.jobs, [&session](const nlohmann::json& result) { session.record(result); });
    // Workers get the grace period first; the parent waits a little longer for them to end by themselves.
    pool.setGracePeriod(grace + 2);
    pool.run(session.toRun());
    if (interrupted()) {
        // Workers killed after the grace period left their unfinished files; every worker has ended now.
        const int removed = removeLeftovers(plan.outputPatterns());
        if (removed > 0)
            qCWarning(lcBatch, "removed %d unfinished file(s) of stopped workers", removed);
    }
    return session.finish(interrupted());
}

// Before standard output is diverted: the table and split commands write there.
int resultsCommand(const Options& options)
{
    int status = 2;
    try {
        if (options.command == QLatin1String("rerun")) {
            installInterruptHandler();
            divertStandardOutput();
            status = runRerun(options, &interrupted);
        } else if (options.command == QLatin1String("split")) {
            status = runSplit(options);
        } else {
            status = runResultsCommand(options);
        }
    } catch (const std::exception& e) {
        status = complain(e.what(), 2);
    }
    KORA::VexExit();
    return endProcess(status);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vorne-batch"));
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    Options options;
    try {
        options = parseOptions(arguments);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "vorne-batch: %s\nTry 'vorne-batch --help'.\n", e.what());
        return 2;
    }
    if (options.help) {
        std::fputs(usageText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (options.version) {
        std::fputs(("vorne-batch\n" + VORNE::versionOutput()).toLocal8Bit().constData(), stdout);
        return 0;
    }

    defaultKoradir();
    KORA::VexInit(-1);
    if (!options.command.isEmpty())
        return resultsCommand(options);
    installInterruptHandler();
    divertStandardOutput();
    int status = 2;
    try {
        // The journal of a long batch is read while the plan is built; the thread has ended before any
        // worker is forked.
        std::future<std::unique_ptr<Journal>> journal;
        if (!options.journal.isEmpty())
            journal = std::async(std::launch::async, [&options] {
                return std::make_unique<Journal>(options.journal, options.resumeByContent);
            });
        const BatchPlan plan(options);
        for (const QString& warning : {plan.sizeWarning(), plan.skipReport()})
            if (!warning.isEmpty())
                std::fprintf(stderr, "vorne-batch: %s\n", warning.toLocal8Bit().constData());
        Session session(plan, options, journal.valid() ? journal.get() : nullptr);
        if (options.dryRun) {
            session.printPlan();
            status = 0;
        } else {
            session.refuseCollisions();
            session.start(::isatty(STDERR_FILENO) != 0);
            // Workers are forked with the graph loaded; a thread that exists already would be missing in
            // them, along with whatever it held, so the batch then runs here.
            const bool workers = options.jobs > 1 && session.toRun().size() > 1;
            const bool fork = workers && WorkerPool::singleThreaded();
            if (workers && !fork)
                qCWarning(lcBatch) << "running in one process: threads exist before the workers could be forked";
            status = fork ? runWithWorkers(plan, options, session) : runLocally(plan, options, session);
        }
    } catch (const UsageError& e) {
        status = complain(e.what(), 2);
    } catch (const InputError& e) {
        status = complain(e.what(), 2);
    } catch (const GraphError& e) {
        status = complain(e.what(), 2);
    } catch (const KORA::CException& e) {
        status = complain(e.FormattedWhat().c_str(), 2);
    } catch (const std::exception& e) {
        status = complain(e.what(), 2);
    }
    KORA::VexExit();
    return endProcess(status);
}
