#pragma once
// Ctrl-C (SIGINT) and a scheduler's SIGTERM stop the batch: the running execution is aborted through the
// executor's abort flag, which the handler sets directly, and the batch loop ends at its next check.
namespace VORNE::batch {

class IndexRunner;

void installInterruptHandler();
bool interrupted();
// The runner whose execution an interrupt aborts; null for none.
void setAbortTarget(IndexRunner* runner);
// Readable once an interrupt arrived, for event loops that wait on descriptors.
int interruptDescriptor();

} // namespace VORNE::batch
