#pragma once
// The load sequence of a data file: empty the data set, read the lines, detect the layout, fill
// the cell table, take the numbers and compute the statistics. Messages come back as values.
#include "layout.h"
#include "progress.h"

namespace varnotile {

struct LoadOutcome {
    enum class Status { Loaded, TooFewData, ReadError };
    Status status = Status::Loaded;
    Messages messages;  // texts shown to the user, in order
    std::string error;  // the system's reason when the file could not be read
};

// Returns the data set's file, layout, flags, numbers and journal to the empty state. View
// choices (X column, curve flags and colours, scale, selection) and the settings stay.
void ResetData(DataSet& ds);

// Makes `fresh` ready to load `path` in place of `shown`: it takes `shown`'s layout (its
// delimiter and reading options, and what a load keeps), statistics, edit state, settings and
// file flags, so that a load into `fresh` ends as a load into `shown` itself would.
void PrepareLoad(DataSet& fresh, const DataSet& shown, const std::string& path);

// Puts what a load of `loaded` filled (the file and its lines, the layout, the table and the edit
// state) in place of `shown`'s, and `shown`'s into `loaded`; `shown`'s journal is emptied. A load runs into a
// fresh data set while the shown one stays as it is; this makes its result the shown one.
void AdoptLoad(DataSet& shown, DataSet& loaded);

// Fills the cell table from the data lines (DataRowCount, RowIncluded, Values sized, extra
// column), taking the numbers of the numeric columns in the same pass. The rows filled are
// reported to `progress`.
void FillTable(DataSet& ds, const ProgressReport& progress = {});

// Loads ds.File.CurrentFileName after ResetData, with ds.Layout.ListSeparator and
// ds.Layout.Reading as the caller set them. The format detector's proposal for the file is kept
// in ds.Layout.Proposal and the signs of a bad reading in ds.Layout.PoorReadingSigns; with
// `adoptProposal` the proposal is what the file is read with (its lines are read once). The bytes
// read and the rows filled are reported to `progress`.
LoadOutcome LoadDataFile(DataSet& ds, bool adoptProposal = false, const ProgressReport& progress = {});

// The part of a load after the lines are read: finds the layout with ds.Layout.ListSeparator and
// ds.Layout.Reading, fills the table, takes the numbers and computes the statistics.
void LayOutLines(DataSet& ds, LoadOutcome& outcome, const ProgressReport& progress = {});

// With quoted texts on, a line break inside quotes belongs to its cell: the file's lines from
// `from` on become records that run to the closing quote (comment lines open nothing), and
// LineCount counts records. Returns the record before `from` that took in lines (0: none; see
// FileLines::joinRecords). Without quoted texts nothing changes.
int JoinQuotedRecords(DataSet& ds, int from = 1);

// Modification time of `path` in seconds since the epoch, -1 when it has none.
int64_t fileAgeStamp(const std::string& path);

} // namespace varnotile
