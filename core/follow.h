#pragma once
// Following a growing file: the bytes added since the last look become rows at the end of the
// table, split, numbered and counted as a load would have done it, without reading the file
// again. A file that shrank, was replaced or would now be laid out differently asks for a reload.
#include "dataset.h"

#include <cstdint>
#include <string>

namespace varnotile {

// Where the shown file stood at the last look.
struct FollowWatch {
    std::string path;
    uint64_t offset = 0;       // bytes taken into the lines (complete lines, or the open last line)
    bool lastLineOpen = false; // the last line has no line break yet
    uint64_t device = 0, inode = 0;
    std::string head;          // the file's first bytes, to notice a replaced file
    bool vanished = false;
    bool replacedSinceLoad = false; // another file stood there by the time the watch began
};

enum class Growth {
    Unchanged,  // nothing new
    Appended,   // rows were added (and the open last row may have changed)
    Reload,     // shrunk, replaced, or laid out differently now: load it afresh
    Vanished,   // the file is gone; the table stays as it is
};

struct GrowthResult {
    Growth kind = Growth::Unchanged;
    int rowsAdded = 0;
    // A row whose line was completed or changed (0: none).
    int rowChanged = 0;
};

// Notes where the loaded file stands (call right after a load of ds.File.CurrentFileName).
FollowWatch WatchLoadedFile(const DataSet& ds);

// Reads what was added to the file since the last look and appends its complete lines as rows,
// announcing the rows and the statistics through ds.Changes as one operation.
GrowthResult FollowGrowth(DataSet& ds, FollowWatch& watch);

} // namespace varnotile
