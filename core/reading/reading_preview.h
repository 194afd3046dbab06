#pragma once
// The first lines of a file as a reading choice would read them: what each line becomes (free
// header text, names, labels, a row, a skipped line) and each column's kind. The Reopen dialog
// shows it while the user changes the reading, so it reads only the head and tail of the file.
#include "reading_advice.h"

#include <string>
#include <vector>

namespace varnotile {

enum class PreviewRole { HeaderText, Names, Labels, Header3, Row, Skipped };

struct PreviewLine {
    int line = 0; // in the file
    PreviewRole role = PreviewRole::HeaderText;
    std::vector<std::string> cells; // a row's cells; the whole line for the other roles
};

struct ReadingPreview {
    bool read = false; // false: the lines give no table ("Too few Data", no such table)
    std::string problem; // why not, in words
    int columnCount = 0;
    std::vector<TimeKind> times;   // per column (index 0: column 1)
    std::vector<uint8_t> numeric;  // per column
    std::vector<std::string> names; // per column
    int dateTimeAxisColumn = 0;     // the date column of a date-and-time axis (0: none)
    int tableCount = 0;             // with a table chosen: the tables the head of the file holds
    std::vector<std::string> messages;
    std::vector<PreviewLine> lines; // the first `shownLines` lines of the file
};

// Reads the first lines of `lines` (and its last ones, which decide the sample line) with
// `choice`, as a load of the file would, and describes the first `shownLines` of them.
// `localeDecimal` is the separator the System decimal choice stands for.
ReadingPreview PreviewReading(const FileLines& lines, const ReadingChoice& choice, char localeDecimal,
                              int shownLines = 40);

// "text", "number", or the time kind in words ("date and time", "time of day").
std::string PreviewKindText(const ReadingPreview& preview, int column);

} // namespace varnotile
