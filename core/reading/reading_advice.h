#pragma once
// Whether a loaded file read badly, and the detector's proposal as something to load with.
#include "dataset.h"

#include <string>
#include <vector>

namespace varnotile {

// What the file is read with: the delimiter and the reading options.
struct ReadingChoice {
    std::string delimiter;
    ReadOptions options;
    bool operator==(const ReadingChoice&) const = default;
};

// Signs, in words, that the loaded file came out badly with the options in effect: one text
// column, rows lost above a blank or comment line, many rows without a number, quotes in the
// names, a column made text by a missing-value token, a missing-value marker read as a value.
// Empty when it reads well.
std::vector<std::string> PoorReadingSigns(const DataSet& ds);

// The choice in effect for the loaded file.
ReadingChoice CurrentChoice(const DataSet& ds);
// The detector's proposal; where no delimiter stands out, the current one stays.
ReadingChoice ProposedChoice(const DataSet& ds);
// Reads the loaded lines of `ds` (before its layout is found) both with the choice the caller set
// (ds.Layout.ListSeparator and ds.Layout.Reading) and with ds.Layout.Proposal, and tells whether
// the proposal reads them better: another table, with no fewer numbers, no more texts read as 0
// unless with many more numbers, and more numbers, fewer texts read as 0, fewer numbers left in
// texts or fewer signs of a bad reading. A file of many lines is compared on its first and last
// lines.
bool ProposalReadsBetter(const DataSet& ds);
// True when the proposal reads the loaded file better than the choice it was loaded with.
bool ShouldOfferProposal(const DataSet& ds);

} // namespace varnotile
