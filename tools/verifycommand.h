#pragma once
// vorne-batch verify JOURNAL...: whether every output the journals record as saved is still there with
// the bytes it was saved with. The last record of each index counts, so the merged journals of the shards
// of one batch check as one.
#include "tools/options.h"

namespace VORNE::batch {

// Lists each missing or changed output as "missing: FILE (index I, port P)" and ends with a count;
// returns 1 when anything is missing or changed, else 0.
int runVerify(const Options& options);

} // namespace VORNE::batch
