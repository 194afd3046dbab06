#pragma once
// Reading a save back: the written bytes read the way the file will be opened next (the data
// set's delimiter, reading options and decimal separator) and compared with the table being
// saved, the first difference named in words.
#include "dataset.h"
#include "progress.h"
#include "reading_advice.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace varnotile {

// The first place where the written file would read differently from the table.
struct ReadBackDifference {
    bool found = false;
    // What happens, as the start of a sentence: "Row 12 would read back as header text".
    std::string what;
    // Where, in the grid of the table being saved: row 0 for the header texts, data rows from 1;
    // data columns from 1. `text` is the saved text there.
    int row = 0;
    int column = 0;
    std::string text;
};

// Reads `bytes` the way the data set will be read next and compares the result with the table:
// column count, names, labels, third header texts, free header lines, the number of data rows
// and every cell of the present columns.
ReadBackDifference CompareReadBack(const DataSet& ds, std::string_view bytes);

// The difference as one sentence: "Row 12 would read back as header text; the saved file would
// read differently (first: row 12, column 1 "#a1")."
std::string ReadBackSentence(const ReadBackDifference& difference);

// An empty data set that reads the way `ds` was read and will be read next: its delimiter,
// reading options and decimal separator. With `proposalFrom` the file will be read next as a
// load that takes the detector's proposal does: from that choice, with the proposal for the
// written lines where it reads them better.
std::unique_ptr<DataSet> ReadingLike(const DataSet& ds, const ReadingChoice* proposalFrom = nullptr);

// As CompareReadBack, for lines already in back.File.FileLines (`back` from ReadingLike). Laying
// them out is reported to `filling`, the comparison of the rows to `comparing`.
ReadBackDifference CompareReadBackLines(const DataSet& ds, DataSet& back, const ProgressReport& filling = {},
                                        const ProgressReport& comparing = {});

} // namespace varnotile
