#include "data_writer.h"

#include "line_writer.h"
#include "save_file.h"

#include <algorithm>
#include <limits>

namespace varnotile {
namespace {

constexpr std::size_t kChunk = 1 << 18;

} // namespace

SplitTexts FindSplitTexts(const DataSet& ds) {
    SplitTexts found;
    // Quoted texts keep the delimiter and an LF inside their quotes; only a CR still splits them
    // (the reading drops it, or ends the line there).
    const bool quoted = ds.Layout.Reading.quotedTexts;
    const int delimiter = quoted ? -1 : ds.delimiter();
    const bool blanksSplit = ds.Layout.Reading.whitespace && !quoted;
    auto splits = [&](std::string_view text) {
        bool split = false;
        for (const char c : text) {
            if ((c == '\n' && !quoted) || c == '\r') {
                found.lineBreak = true;
                return true;
            }
            split = split || (delimiter >= 0 && static_cast<unsigned char>(c) == delimiter) ||
                    (blanksSplit && c == '\t');
        }
        return split;
    };
    auto note = [&](int row, int column) {
        if (found.count++ == 0) {
            found.row = row;
            found.column = column;
        }
    };
    auto present = [&](int j) { return ds.Layout.ColumnPresent[j]; };
    const int columns = std::min(ds.Layout.ColumnCount, ds.fieldSlots());
    const StringSlots* headers[] = {&ds.Layout.ColumnNames, &ds.Layout.ColumnLabels,
                                    &ds.Layout.ColumnHeader3};
    // Texts of rebuilt lines that the reading would lose: the first lost text of a line counts.
    const ReadOptions& reading = ds.Layout.Reading;
    const bool lossy = !reading.quotedTexts && (reading.commentLines || reading.whitespace);
    const LineWriter writer(ds);
    const std::string written = ds.outputDelimiter();
    const int outputDelimiter = written.size() == 1 ? static_cast<unsigned char>(written[0]) : -1;
    auto lostIn = [&](int count, auto textOf) {
        int first = 0, shown = 0, pendingEmpty = 0, emptyBeforeText = 0;
        bool blank = true;
        for (int j = 1; j <= count; ++j) {
            if (!present(j)) continue;
            ++shown;
            first = first == 0 ? j : first;
            const bool nothing = trimBlanks(textOf(j)).empty();
            blank = blank && nothing;
            if (nothing && pendingEmpty == 0) pendingEmpty = j;
            if (!nothing && pendingEmpty != 0 && emptyBeforeText == 0) emptyBeforeText = pendingEmpty;
        }
        int lost = 0;
        if (first == 0) return lost;
        for (int j = first; j <= count && lost == 0; ++j)
            if (present(j) && startsCommentInside(textOf(j), j == first, outputDelimiter, reading)) {
                found.commentInside = true;
                lost = j;
            }
        if (lost != 0) {
            // counted below
        } else if (reading.commentLines && !trimBlanks(textOf(first)).empty() && isCommentOrBlank(textOf(first), reading)) {
            found.commentStart = true;
            lost = first;
        } else if ((reading.commentLines && blank && (reading.whitespace || shown == 1)) ||
                   (reading.whitespace && emptyBeforeText != 0)) {
            found.lostEmpty = true;
            lost = blank ? first : emptyBeforeText;
        }
        found.lostCount += lost != 0 ? 1 : 0;
        return lost;
    };
    for (int h = 0; h < ds.Layout.HeaderLineCount && h < 3; ++h) {
        const StringSlots& texts = *headers[h];
        auto text = [&](int j) -> std::string_view { return texts[static_cast<std::size_t>(j)]; };
        const int lost = lossy && writer.namedLineRebuilt(h) ? lostIn(columns, text) : 0;
        for (int j = 1; j <= columns; ++j)
            if (present(j) && (splits(text(j)) || j == lost)) note(0, j);
    }
    // A cell that still shows its file text is a part of its file line, which holds no line
    // break; with the delimiter the file was read with it holds no delimiter either. So only
    // edited cells, and cells of lines that hold the new delimiter, need a look.
    const bool readDelimiter = ds.Table.Cells.delimiter() == delimiter || delimiter < 0;
    const int cellColumns = std::min(ds.Layout.ColumnCount, ds.Table.Cells.columnCount());
    for (int r = 1; r <= ds.Layout.DataRowCount; ++r) {
        const bool lineSplits =
            !readDelimiter && delimiter >= 0 &&
            ds.Table.Cells.rowLine(r).find(static_cast<char>(delimiter)) != std::string_view::npos;
        auto cell = [&](int j) { return ds.Table.Cells.cell(j, r); };
        const int lost = lossy && writer.rowRebuilt(r) ? lostIn(cellColumns, cell) : 0;
        for (int j = 1; j <= cellColumns; ++j)
            if (present(j) && (((lineSplits || ds.Table.Cells.isEdited(j, r)) && splits(cell(j))) || j == lost))
                note(r, j);
    }
    return found;
}

std::string SplitTextsSentence(const SplitTexts& found, const DataSet& ds) {
    std::string what;
    if (ds.Layout.Reading.quotedTexts || ds.outputDelimiter().empty())
        what = "a line break";
    else {
        const std::string delimiter = ds.outputDelimiter();
        const std::string name = delimiter == "\t" ? "Tab" : delimiter == " " ? "Space" : delimiter;
        what = "the delimiter \"" + name + "\"" + (found.lineBreak ? " or a line break" : "");
    }
    const std::string first = "(first: row " + std::to_string(found.row) + ", column " + std::to_string(found.column) + ")";
    if (!found.commentStart && !found.lostEmpty && !found.commentInside)
        return std::to_string(found.count) + " texts contain " + what + " and would be split when the file is read again " +
               first + ".";
    std::string reasons;
    auto add = [&](const std::string& reason) { reasons += (reasons.empty() ? "" : "; ") + reason; };
    if (found.commentStart) add("a text starting with \"" + ds.Layout.Reading.commentPrefix + "\" makes its line a comment");
    if (found.commentInside)
        add("a text holding \"" + ds.Layout.Reading.commentPrefix + "\" after a blank ends its line's data");
    if (found.lostEmpty) add("empty texts vanish between blanks or leave a blank line");
    if (found.count > found.lostCount) add("texts holding " + what + " would be split");
    return std::to_string(found.count) + " texts would not read back as they are " + first + ": " + reasons + ".";
}

bool WriteDataFile(const DataSet& ds, const TextSink& sink, const ProgressReport& progress) {
    const LineWriter lines(ds);
    std::string out;
    out.reserve(kChunk + 4096);
    lines.appendHeader(out);
    // Comment, blank and trailer lines among the rows go back where they stood: before the
    // first row that came after them in the file.
    const auto& skipped = ds.Table.Cells.skippedLines();
    auto nextSkipped = skipped.begin();
    auto appendSkippedBefore = [&](CellTable::RowId limit) {
        for (; nextSkipped != skipped.end() && *nextSkipped < limit; ++nextSkipped)
            lines.appendFileLine(out, static_cast<int>(*nextSkipped));
    };
    const auto rows = static_cast<uint64_t>(std::max(ds.Layout.DataRowCount, 0));
    for (int r = 1; r <= ds.Layout.DataRowCount; ++r) {
        if (nextSkipped != skipped.end()) appendSkippedBefore(ds.Table.Cells.rowId(r));
        lines.appendRow(out, r);
        if (out.size() >= kChunk) {
            if (!sink(out)) return false;
            out.clear();
            if (progress) progress(WorkStep::Writing, static_cast<uint64_t>(r), rows);
        }
    }
    appendSkippedBefore(std::numeric_limits<CellTable::RowId>::max());
    if (!out.empty() && !sink(out)) return false;
    if (progress) progress(WorkStep::Writing, rows, rows);
    return true;
}

std::string DataFileText(const DataSet& ds) {
    std::string text;
    WriteDataFile(ds, [&](std::string_view piece) {
        text += piece;
        return true;
    });
    return text;
}

std::string SaveDataFile(const DataSet& ds, const std::string& path, bool keepDate,
                         const ProgressReport& progress) {
    SaveFile file(path);
    if (!file.open()) return file.errorString();
    const TextSink toFile = [&](std::string_view piece) { return file.write(piece); };
    if (!WriteDataFile(ds, toFile, progress) || !file.commit())
        return file.errorString();
    if (keepDate) setFileAgeStamp(path, ds.File.FileAgeStamp);
    return {};
}

} // namespace varnotile
