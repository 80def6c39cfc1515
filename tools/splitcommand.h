#pragma once
// vorne-batch split -o DIR FILE...: each multi-channel or time-lapse image file into one TIFF per channel
// and time point (executor/planesplit.h).
#include "tools/options.h"

namespace VORNE::batch {

// Prints each file written on standard output, one per line, and each file that could not be split with
// the reason on standard error, going on with the others; returns 1 when any could not be split, else 0.
int runSplit(const Options& options);

} // namespace VORNE::batch
