#include "reading_preview.h"

#include "date_time_axis.h"
#include "loader.h"

#include <algorithm>
#include <map>

namespace varnotile {
namespace {

// Enough lines for the header scans and the robust sample, few enough to read on every keystroke.
constexpr int kHeadLines = 400;
constexpr int kTailLines = 50;

std::string headAndTail(const FileLines& lines) {
    std::string text;
    const int count = lines.count();
    auto add = [&](int from, int to) {
        for (int i = from; i <= to; ++i) text.append(lines.line(i)).push_back('\n');
    };
    add(1, std::min(count, kHeadLines));
    if (count > kHeadLines) add(std::max(kHeadLines + 1, count - kTailLines + 1), count);
    return text;
}

} // namespace

ReadingPreview PreviewReading(const FileLines& lines, const ReadingChoice& choice, char localeDecimal, int shownLines) {
    ReadingPreview preview;
    DataSet probe;
    probe.File.FileLines.assign(headAndTail(lines));
    probe.File.LineCount = probe.File.FileLines.count();
    probe.DecimalSeparator = localeDecimal;
    probe.Layout.ListSeparator = choice.delimiter;
    probe.Layout.Reading = choice.options;
    LoadOutcome outcome;
    LayOutLines(probe, outcome);
    preview.messages = outcome.messages;
    preview.tableCount = probe.Layout.TableCount;
    const int shown = std::min(shownLines, std::min(probe.File.LineCount, kHeadLines));
    if (outcome.status != LoadOutcome::Status::Loaded || probe.Layout.ColumnCount < 1) {
        preview.problem = outcome.status == LoadOutcome::Status::ReadError ? outcome.error : std::string(kMsgTooFewData);
        for (int i = 1; i <= shown; ++i)
            preview.lines.push_back({i, PreviewRole::HeaderText, {std::string(probe.File.FileLines.line(i))}});
        return preview;
    }
    preview.read = true;
    const DataLayout& layout = probe.Layout;
    preview.columnCount = layout.ColumnCount;
    for (int k = 1; k <= layout.ColumnCount; ++k) {
        const bool valueColumn = probe.isValueColumn(k);
        preview.times.push_back(valueColumn ? layout.ColumnTime[k] : TimeKind::None);
        preview.numeric.push_back(valueColumn && layout.ColumnIsNumeric[k]);
        preview.names.push_back(k < static_cast<int>(layout.ColumnNames.size()) ? layout.ColumnNames[k] : std::string());
    }
    preview.dateTimeAxisColumn = layout.DateTimeAxisColumn;
    std::map<int, int> rowOfLine;
    for (int r = 1; r <= layout.DataRowCount; ++r) {
        const auto line = static_cast<int>(probe.Table.Cells.rowId(r));
        if (line > shown) break;
        rowOfLine[line] = r;
    }
    for (int i = 1; i <= shown; ++i) {
        PreviewLine line{i, PreviewRole::HeaderText, {}};
        if (const auto row = rowOfLine.find(i); row != rowOfLine.end()) {
            line.role = PreviewRole::Row;
            for (int k = 1; k <= layout.ColumnCount; ++k) line.cells.emplace_back(probe.Table.Cells.cell(k, row->second));
        } else {
            if (i == layout.NamedLineAt[0]) line.role = PreviewRole::Names;
            else if (i == layout.NamedLineAt[1]) line.role = PreviewRole::Labels;
            else if (i == layout.NamedLineAt[2]) line.role = PreviewRole::Header3;
            else if (i >= layout.FirstDataLine) line.role = PreviewRole::Skipped;
            if (line.role == PreviewRole::Names || line.role == PreviewRole::Labels || line.role == PreviewRole::Header3) {
                const StringSlots& texts = line.role == PreviewRole::Names    ? layout.ColumnNames
                                           : line.role == PreviewRole::Labels ? layout.ColumnLabels
                                                                              : layout.ColumnHeader3;
                for (int k = 1; k <= layout.ColumnCount && k < static_cast<int>(texts.size()); ++k) line.cells.push_back(texts[k]);
            } else {
                line.cells.emplace_back(probe.File.FileLines.line(i));
            }
        }
        preview.lines.push_back(std::move(line));
    }
    return preview;
}

std::string PreviewKindText(const ReadingPreview& preview, int column) {
    if (column < 1 || column > static_cast<int>(preview.times.size())) return "text";
    const auto k = static_cast<std::size_t>(column - 1);
    switch (preview.times[k]) {
    case TimeKind::Clock: return "time of day";
    case TimeKind::None: return preview.numeric[k] ? "number" : "text";
    default: return "date/time";
    }
}

} // namespace varnotile
