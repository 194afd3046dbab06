#pragma once
// Saving that reads its own result back first: only bytes that read back as the table replace
// the file without a question, and the bytes compared are the bytes written.
#include "disk_stamp.h"
#include "save_check.h"

#include <string>

namespace varnotile {

// How a checked save went: `error` is the system's reason the file could not be written; a
// difference found means nothing was written.
struct CheckedSave {
    std::string error;
    ReadBackDifference difference;
    // The target changed on disk while it was written (see `asRead` below): how, in words.
    std::string targetChange;
};

// Saves the data set to `path` without ever leaving a half-written file (see SaveFile), and only
// when the written bytes read back as the table; `force` writes them however they read (without
// reading them back). A regular file is written while its bytes are read back and replaces the
// old one only afterwards; a device or a pipe is written only after the check. With `keepDate`
// a regular file gets ds.File.FileAgeStamp as its modification time. Writing and reading back
// are reported to `progress` as one Writing step. A name ending in ".gz", ".xz", ".bz2" or ".zst"
// is written compressed in that format, and the check reads the compressed bytes decompressed. Throws std::bad_alloc when memory runs short.
// With `asRead` the target is replaced only while it still stands so, or has only grown: what it
// got meanwhile is carried to the end of the new file when the table keeps the delimiter its
// lines were read with (see SaveFile::replaceOnlyIf).
// `proposalFrom`: the file will be read next from that choice with the detector's proposal
// taken where it reads better (see ReadingLike), and is read back so.
CheckedSave SaveDataFileChecked(const DataSet& ds, const std::string& path, bool keepDate, bool force,
                                const ProgressReport& progress = {}, const DiskStamp* asRead = nullptr,
                                const ReadingChoice* proposalFrom = nullptr);

} // namespace varnotile
