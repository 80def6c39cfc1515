#include "tools/worker.h"

#include <cerrno>
#include <string>
#include <unistd.h>

#include "tools/batchplan.h"
#include "tools/console.h"
#include "tools/indexrunner.h"
#include "tools/interrupt.h"

namespace VORNE::batch {

namespace {

// A whole line; false at the input's end or after an interrupt.
bool readLine(int fd, std::string& buffer, std::string& line)
{
    while (true) {
        const std::size_t end = buffer.find('\n');
        if (end != std::string::npos) {
            line = buffer.substr(0, end);
            buffer.erase(0, end + 1);
            return true;
        }
        char chunk[256];
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (interrupted())
            return false;
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        buffer.append(chunk, static_cast<std::size_t>(n));
    }
}

} // namespace

int runWorker(const BatchPlan& plan, int threads, int indices, int results)
{
    // Overlapped like a batch run in one process: the next index decoded ahead, the last one saved behind.
    IndexRunner runner(plan, threads);
    setAbortTarget(&runner);
    std::string buffer;
    std::string line;
    const auto next = [&](int* index) {
        while (!interrupted() && readLine(indices, buffer, line)) {
            bool ok = false;
            *index = QString::fromStdString(line).toInt(&ok);
            if (ok && *index >= 0 && *index < plan.batchSize())
                return true;
        }
        return false;
    };
    // With an index saving and the next one decoding, more than one is in flight: the parent is told which
    // one executes, so that a crash is charged to it.
    const auto started = [results](int index) { writeAll(results, "{\"running\": " + std::to_string(index) + "}\n"); };
    runner.runAll(
        next, &interrupted,
        [results](const IndexResult& result) {
            writeAll(results, result.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
        },
        started);
    setAbortTarget(nullptr);
    return interrupted() ? 130 : 0;
}

} // namespace VORNE::batch
