#pragma once
// The data file writer: the lines before the data (free header text among them), the named
// header lines rebuilt from the column names, labels and third header texts, then the cell table,
// each line ended by CR LF, with the current delimiter. Lines the table did not change are
// written as they stood (line_writer.h). Deleted columns and the row-number column are not written.
#include "dataset.h"
#include "progress.h"

#include <functional>
#include <string>
#include <string_view>

namespace varnotile {

// Receives the written text piece by piece; returns false to stop the writing.
using TextSink = std::function<bool(std::string_view)>;

// Texts the writer would write that the reader would split into other fields or lines: a cell,
// column name, label or third header text holding the delimiter, CR or LF. Free header lines are
// written as single lines and are not counted.
struct SplitTexts {
    int count = 0;
    // The first one in writing order, in grid coordinates: row 0 for the header texts, data rows
    // from 1; data columns from 1.
    int row = 0;
    int column = 0;
    bool lineBreak = false; // one of them holds CR or LF
    // With quoted texts off, texts of rebuilt lines that the reading options would lose rather
    // than split (one a line, counted above): a first text starting with the comment prefix
    // makes its line a comment; an empty text before others vanishes between runs of blanks,
    // and a line of blank texts is a blank line.
    bool commentStart = false;
    bool lostEmpty = false;
    bool commentInside = false; // a text would end its line's data: the rest reads as a comment
    int lostCount = 0;
};
SplitTexts FindSplitTexts(const DataSet& ds);
// Says what FindSplitTexts found, as one sentence: "N texts contain the delimiter "," and would
// be split when the file is read again (first: row 2, column 3).", or, with texts that would be
// lost, "N texts would not read back as they are (first: row 2, column 1): ..." with the reasons.
std::string SplitTextsSentence(const SplitTexts& found, const DataSet& ds);

// Writes the data set in the output format to `sink`. Returns false when the sink refused. The
// data rows written are reported to `progress`, with every piece handed to the sink.
bool WriteDataFile(const DataSet& ds, const TextSink& sink, const ProgressReport& progress = {});

// The whole output as one text (for small tables and tests).
std::string DataFileText(const DataSet& ds);

// Saves the data set to `path` without ever leaving a half-written file: the old file stays as
// it was until the new one is complete. With `keepDate` the file gets ds.File.FileAgeStamp back as
// its modification time (a failure to set it is ignored). Returns an empty string, else the
// system's reason. The data rows written are reported to `progress`.
std::string SaveDataFile(const DataSet& ds, const std::string& path, bool keepDate,
                         const ProgressReport& progress = {});

} // namespace varnotile
