#pragma once
// inspect --follow: the inspect object of a loaded file on one line, then one line for every
// change of the file while a logger writes it.
#include "cli_common.h"

namespace varnotile::cli {

// Prints the inspect object of `ds` (just loaded with `options`) on one line, then, until SIGINT
// or SIGTERM, one line per change of the file:
//   {"data_row_count": N, "rows_added": K, "columns": [{"min": ..., "max": ...}, ...]}
// with "reloaded": true (and K = N) when the file was read afresh, and {"vanished": true} once
// when the file is gone. Returns kExitLoaded when interrupted.
int followFile(DataSet& ds, const LoadOptions& options, const LoadOutcome& outcome);

} // namespace varnotile::cli
