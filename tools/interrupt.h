#pragma once
// Ctrl-C (SIGINT) and a scheduler's SIGTERM stop the batch: the running execution is aborted through the
// executor's abort flag, which the handler sets directly, and the batch loop ends at its next check. A node
// that does not stop in time must not keep the process alive: after the grace period (at once on a second
// signal) a watchdog thread removes the files being written, runs the last action and exits with 130. The
// watchdog is a thread, and workers are forked only from a single-threaded process: it is started only where
// executions run (in each worker after the fork, or in the process that runs the batch itself).
#include <functional>

namespace VORNE::batch {

class IndexRunner;

void installInterruptHandler();
// graceSeconds: how long an interrupted execution may take to end. settleMs: signals that soon after the
// first count as the same interrupt; a forked worker gets a signal sent to the whole process group twice,
// once more forwarded by its parent.
void startWatchdog(int graceSeconds, int settleMs = 0);
bool interrupted();
// The runner whose execution an interrupt aborts; null for none.
void setAbortTarget(IndexRunner* runner);
// Readable once an interrupt arrived, for event loops that wait on descriptors.
int interruptDescriptor();
// Run by the watchdog just before it ends the process (from its own thread); replaces the previous one.
void setLastAction(std::function<void()> action);

} // namespace VORNE::batch
