#pragma once
// The child side of --jobs: reads batch indices from a descriptor, one per line, runs each and writes its
// result as one JSON line to another, each preceded by {"running": index} as its execution begins. Ends at
// the end of its input or after an interrupt.
namespace VORNE::batch {

class BatchPlan;

// The exit status: 0, or 130 after an interrupt.
int runWorker(const BatchPlan& plan, int threads, int indices, int results);

} // namespace VORNE::batch
