#pragma once
// vorne-batch rerun JOURNAL... -o DIR [--force]: the recorded batch once more, with the recorded graph,
// parameters and naming over the recorded inputs, into DIR; then every new file is compared with the
// recorded checksum and every new value with the recorded text. A graph file or input that changed since (or is gone) refuses the rerun unless
// --force, since its files could not be expected to be the same.
#include <functional>

#include "tools/options.h"

namespace VORNE::batch {

// Prints "N identical, M differ, K not compared" and the outputs that differ; returns 0 only when every
// output is identical, 1 otherwise, 2 when the rerun is refused, 130 when stop() ended it early.
// Throws UsageError, InputError, GraphError.
int runRerun(const Options& options, const std::function<bool()>& stop);

} // namespace VORNE::batch
