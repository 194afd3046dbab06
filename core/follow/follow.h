#pragma once
// Following a growing file: the bytes added since the last look become rows at the end of the
// table, split, numbered and counted as a load would have done it, without reading the file
// again. A file that shrank, was replaced or would now be laid out differently asks for a reload.
#include "dataset.h"
#include "disk_stamp.h"

#include <cstdint>
#include <string>
#include <vector>

namespace varnotile {

// What the layout rules take from the file's last lines (the sample line): the column count,
// the numeric columns, and which of the sample's fields are empty (the header scan looks at them).
struct SampleShape {
    bool found = false;
    int columns = 0;
    std::vector<bool> numeric, emptyFields;
    bool operator==(const SampleShape&) const = default;
};

// Where the shown file stood at the last look.
struct FollowWatch {
    std::string path;
    uint64_t offset = 0;       // bytes taken into the lines (complete lines, or the open last line)
    bool lastLineOpen = false; // the last line has no line break yet
    uint64_t device = 0, inode = 0;
    std::string head;          // the file's first bytes, to notice a replaced file
    std::string tail;          // the bytes just before `offset`, to notice a file written anew
    DiskStamp asRead;          // the file as the table holds it: its size is `offset`
    bool vanished = false;
    bool replacedSinceLoad = false; // another file stood there by the time the watch began
    SampleShape sample;             // as the lines read so far give it (taken at the first growth)
    bool sampleTaken = false;
    // The file was read decompressed: what is appended to compressed data cannot be read on its
    // own, and a compressor's file is cut short while it writes, so such a file is not followed.
    bool compressed = false;
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
    // Reload: another file stands under the name now, or the file was rewritten from the start
    // (else it only grew in a way a load lays out otherwise).
    bool replaced = false;
    // Reload: the file grew by more than this computer can hold, or by a line of a size no
    // logger writes (a file extended by zeros): it is not read, and `tooLarge` says why.
    std::string tooLarge;
    // Appended: only a part of what arrived was read; the rest is read at the next look.
    bool more = false;
};

// Notes where the loaded file stands (call right after a load of ds.File.CurrentFileName).
FollowWatch WatchLoadedFile(const DataSet& ds);

// Reads what was added to the file since the last look and appends its complete lines as rows,
// at most some megabytes in one look (GrowthResult::more says that more waits),
// announcing the rows and the statistics through ds.Changes as one operation. The work is in
// proportion to the bytes added (and the few last lines the layout rules look at), not to the
// table. ds.File.FileAgeStamp becomes the file's time as it was read. A compressed file's watch
// sees no growth.
// `ahead`: the bytes read ahead for this look (see ReadAhead), taken in place of reading them.
struct ReadAhead;
GrowthResult FollowGrowth(DataSet& ds, FollowWatch& watch, ReadAhead* ahead = nullptr);

// The next piece of a large growth, read on another thread so that the look that takes it in
// does not wait for the disk.
struct ReadAhead {
    std::string path;
    uint64_t offset = 0;
    std::string bytes;
};
// Whether the file grew by more than a look reads at once without waiting (and by no more than
// a look reads at all): its next piece is worth reading ahead.
bool WorthReadingAhead(const FollowWatch& watch);
// Reads the next piece from `offset` of `path` (it touches no data set: any thread may call it).
ReadAhead ReadPieceAhead(const std::string& path, uint64_t offset);

// Whether a program (this one included) holds `path` open for writing, as far as the system
// shows it: the processes of other users and of other machines stay unseen.
bool FileOpenForWriting(const std::string& path);

} // namespace varnotile
