#include "line_writer.h"

#include "cell_table.h"

#include <algorithm>
#include <array>

namespace varnotile {
namespace {

const StringSlots& headerTexts(const DataSet& ds, int h) {
    return h == 0 ? ds.Layout.ColumnNames : h == 1 ? ds.Layout.ColumnLabels : ds.Layout.ColumnHeader3;
}

} // namespace

LineWriter::LineWriter(const DataSet& ds)
    : ds_(ds), options_(ds.Layout.Reading), delimiter_(ds.outputDelimiter()),
      separator_(delimiter_ + (options_.blankAfterDelimiter && !options_.whitespace && !delimiter_.empty() ? " " : "")),
      lineEnd_(options_.crLineEnds ? "\r" : "\r\n"), tableColumns_(ds.Table.Cells.columnCount()) {
    const ReadOptions* read = ds.Table.Cells.reading();
    asRead_ = ds.Table.Cells.delimiter() == ds.delimiter() && (read ? *read == options_ : !options_.anyOn());
    for (int j = 1; j <= ds.Layout.ColumnCount && j <= ds.fieldSlots(); ++j) asRead_ = asRead_ && ds.Layout.ColumnPresent[j];
    convertOtherTables_ = read && read->table != 0 && ds.Layout.TableLastLine > 0 && ds.Table.Cells.delimiter() != ds.delimiter();
}

bool LineWriter::outsideTable(int line) const {
    return convertOtherTables_ && (line < ds_.Layout.TableFromLine || line > ds_.Layout.TableLastLine);
}

std::string LineWriter::otherTableLine(std::string_view line) const {
    const ReadOptions* read = ds_.Table.Cells.reading();
    if (!convertOtherTables_ || !read || isCommentOrBlank(line, *read)) return std::string(line);
    const int delimiter = ds_.Table.Cells.delimiter();
    const std::size_t commentAt = inlineCommentAt(line, delimiter, *read);
    const int fields = splitFields(line.substr(0, commentAt), delimiter, *read, cells_);
    if (fields < 2) return std::string(line);
    std::string out;
    for (int k = 0; k < fields; ++k) {
        if (k > 0) out += delimiter_;
        appendText(out, cells_.cells[static_cast<std::size_t>(k)], k == 0, false);
    }
    out += line.substr(commentAt);
    return out;
}

const std::vector<std::string_view>& LineWriter::fileFields(std::string_view fileLine) const {
    fields_.clear();
    const int delimiter = ds_.Table.Cells.delimiter();
    if (const ReadOptions* read = ds_.Table.Cells.reading()) {
        splitFields(fileLine, delimiter, *read, cells_);
        fields_.assign(cells_.cells.begin(), cells_.cells.end());
        return fields_;
    }
    // Every delimiter ends a field, as the table splits the line, but without its limit of 20.
    std::size_t from = 0;
    for (std::size_t at; delimiter >= 0 && (at = fileLine.find(static_cast<char>(delimiter), from)) != std::string_view::npos;
         from = at + 1)
        fields_.push_back(fileLine.substr(from, at - from));
    fields_.push_back(fileLine.substr(from));
    return fields_;
}

std::string_view LineWriter::commentAfterData(std::string_view fileLine) const {
    const ReadOptions* read = ds_.Table.Cells.reading();
    if (!read || !read->commentLines) return {};
    return fileLine.substr(inlineCommentAt(fileLine, ds_.Table.Cells.delimiter(), *read));
}

void LineWriter::appendText(std::string& out, std::string_view text, bool firstField, bool onlyField) const {
    if (!options_.quotedTexts) {
        out += text;
        return;
    }
    // Quotes keep apart what the reading would otherwise lose: an empty cell between runs of
    // blanks, a line that would be blank, a first text that would make the line a comment, a
    // text that would start a comment after the data.
    const bool keep = (text.empty() && (options_.whitespace || (onlyField && options_.commentLines))) ||
                      (firstField && !trimBlanks(text).empty() && isCommentOrBlank(text, options_)) ||
                      startsCommentInside(text, firstField, delimiter_.size() == 1 ? static_cast<unsigned char>(delimiter_[0]) : -1,
                                          options_);
    out += keep ? inQuotes(text, options_) : quoteIfNeeded(text, delimiter_.empty() ? '\n' : delimiter_[0], options_);
}

// The column rule: every present column but the last is followed by the delimiter; the last
// column, when present, ends the line. A deleted column leaves no empty field behind. The
// fields of `fileLine` past the table's columns follow.
template <typename TextOf>
void LineWriter::appendColumns(std::string& out, TextOf textOf, std::string_view fileLine) const {
    const std::size_t start = out.size();
    const int columns = ds_.Layout.ColumnCount;
    const auto& present = ds_.Layout.ColumnPresent;
    static const std::vector<std::string_view> kNoFields;
    const std::vector<std::string_view>& fields = fileLine.empty() ? kNoFields : fileFields(fileLine);
    const auto tailFrom = static_cast<std::size_t>(std::max(tableColumns_, 0));
    const bool tail = fields.size() > tailFrom;
    // A one-column file whose row has no extra value keeps it a one-field line: "1," is no number.
    const bool dropExtra = ds_.Layout.ExtraColumnFound && columns == 2 && present[2] && !tail && textOf(2).empty();
    int shown = 0;
    for (int j = 1; j <= columns; ++j) shown += present[j] ? 1 : 0;
    const bool onlyField = !tail && columns >= 1 && present[columns] && shown - (dropExtra ? 1 : 0) == 1;
    for (int j = 1; j < columns; ++j) {
        if (!present[j]) continue;
        appendText(out, textOf(j), out.size() == start, onlyField);
        out += separator_;
    }
    if (dropExtra && present[1]) out.resize(out.size() - separator_.size());
    if (columns >= 1 && present[columns] && !dropExtra) appendText(out, textOf(columns), out.size() == start, onlyField);
    for (std::size_t k = tailFrom; k < fields.size(); ++k) {
        out += separator_;
        appendText(out, fields[k], false, false);
    }
    // A line of one delimiter counts as one field (trailing delimiters are trimmed), a line of
    // two as the two empty cells it holds: a row of two empty cells keeps its place among rows.
    if (!options_.whitespace && delimiter_.size() == 1 && out.size() - start == separator_.size() &&
        out.compare(start, separator_.size(), separator_) == 0)
        out += separator_;
    // The comment after the data stays with its row.
    const std::string_view comment = commentAfterData(fileLine);
    // Runs of blanks as the delimiter: trailing blanks are nothing, and a line no shorter than
    // before leaves the choice of the sample line as it was.
    const std::size_t oldData = fileLine.size() - comment.size();
    if (options_.whitespace && out.size() - start < oldData) out.append(oldData - (out.size() - start), ' ');
    out += comment;
    out += lineEnd_;
}

bool LineWriter::namedLineUnchanged(int h) const {
    const StringSlots& texts = headerTexts(ds_, h);
    const StringSlots& read = ds_.Layout.NamedTextsRead[static_cast<std::size_t>(h)];
    for (int j = 1; j <= ds_.Layout.ColumnCount && j <= ds_.fieldSlots(); ++j)
        if (texts[j] != read[j]) return false;
    return true;
}

bool LineWriter::appendNamesInShape(std::string& out, std::string_view fileLine) const {
    using Shape = DataLayout::NamesShape;
    const Shape shape = ds_.Layout.NamesLineShape;
    const StringSlots& names = ds_.Layout.ColumnNames;
    // The reader finds these shapes before the extra column is known: they name the others.
    const int columns = ds_.Layout.ColumnCount - (ds_.Layout.ExtraColumnFound ? 1 : 0);
    int first = 1;
    if (shape == Shape::InComment) {
        std::size_t end = commentNamesAt(fileLine, options_);
        if (end == std::string_view::npos) return false;
        // The names as read keep their blanks, except where runs of blanks are the delimiter.
        while (options_.whitespace && end < fileLine.size() && isBlank(fileLine[end])) ++end;
        out += fileLine.substr(0, end);
    } else if (shape == Shape::WithoutFirst) {
        if (!names[1].empty() && ds_.Layout.ColumnPresent[1]) return false;
        first = 2;
    } else {
        const std::vector<std::string_view>& fields = fileFields(fileLine);
        appendText(out, fields.front(), true, false);
        out += separator_;
    }
    bool firstName = true;
    for (int j = first; j <= columns; ++j) {
        if (!ds_.Layout.ColumnPresent[j]) continue;
        if (!firstName) out += separator_;
        appendText(out, names[j], firstName && shape == Shape::WithoutFirst, false);
        firstName = false;
    }
    out += commentAfterData(fileLine);
    out += lineEnd_;
    return true;
}

void LineWriter::appendNamedLine(std::string& out, int h) const {
    const int at = ds_.Layout.NamedLineAt[static_cast<std::size_t>(h)];
    const std::string_view fileLine = ds_.File.FileLines.line(at);
    if (at >= 1 && asRead_ && namedLineUnchanged(h)) {
        appendFileLine(out, at);
        return;
    }
    if (at >= 1 && h == 0 && ds_.Layout.NamesLineShape != DataLayout::NamesShape::PerColumn) {
        if (appendNamesInShape(out, fileLine)) return;
    }
    const StringSlots& texts = headerTexts(ds_, h);
    // The extra column has no header texts of its own: the line's field there stays.
    const int extra = ds_.Layout.ExtraColumnFound ? ds_.Layout.ColumnCount : 0;
    std::string extraText;
    if (extra > 0 && texts[extra].empty()) {
        const std::vector<std::string_view>& fields = fileFields(fileLine);
        if (fields.size() >= static_cast<std::size_t>(extra)) extraText.assign(fields[static_cast<std::size_t>(extra - 1)]);
    }
    const bool perColumn = ds_.Layout.NamesLineShape == DataLayout::NamesShape::PerColumn || h > 0;
    appendColumns(
        out, [&](int j) -> std::string_view { return j == extra && texts[j].empty() ? std::string_view(extraText) : texts[j]; },
        perColumn ? fileLine : std::string_view{});
}

void LineWriter::appendHeader(std::string& out) const {
    const int named = std::min(ds_.Layout.HeaderLineCount, kNamedHeaderLines);
    std::array<bool, kNamedHeaderLines> done{};
    auto namedAt = [&](int line) {
        for (int h = 0; h < named; ++h)
            if (ds_.Layout.NamedLineAt[static_cast<std::size_t>(h)] == line) return h;
        return -1;
    };
    const int end = std::min(ds_.Layout.FirstDataLine - 1, ds_.File.FileLines.count());
    // Lines the header scan passed over hold data in the delimiter they were read with: they
    // take the new one, so that they are passed over again rather than becoming header text.
    const int readDelimiter = ds_.Table.Cells.delimiter();
    const bool convert = !ds_.Table.Cells.reading() && readDelimiter >= 0 && readDelimiter != ds_.delimiter();
    for (int i = 1; i <= end; ++i) {
        if (const int h = namedAt(i); h >= 0) {
            appendNamedLine(out, h);
            done[static_cast<std::size_t>(h)] = true;
            continue;
        }
        const std::string_view line = ds_.File.FileLines.line(i);
        if (!convert || i > kHeaderScan || !ds_.Layout.HeaderLines[i].empty()) {
            appendFileLine(out, i);
            continue;
        }
        for (const char c : line)
            if (static_cast<unsigned char>(c) == readDelimiter)
                out += delimiter_;
            else
                out += c;
        out += lineEnd_;
    }
    if (end < 1) { // a header not read from a file
        for (int i = 1; i <= kHeaderScan; ++i)
            if (!ds_.Layout.HeaderLines[i].empty()) out.append(ds_.Layout.HeaderLines[i]).append(lineEnd_);
        for (const std::string& line : ds_.Layout.LongPreamble) out.append(line).append(lineEnd_);
    }
    for (int h = 0; h < named; ++h)
        if (!done[static_cast<std::size_t>(h)]) appendNamedLine(out, h);
}

bool LineWriter::rowRebuilt(int row) const {
    bool edited = !asRead_;
    for (int j = 1; j <= tableColumns_ && !edited; ++j) edited = ds_.Table.Cells.isEdited(j, row);
    return edited;
}

bool LineWriter::namedLineRebuilt(int h) const {
    const int at = ds_.Layout.NamedLineAt[static_cast<std::size_t>(h)];
    return !(at >= 1 && asRead_ && namedLineUnchanged(h)) &&
           (h > 0 || at < 1 || ds_.Layout.NamesLineShape == DataLayout::NamesShape::PerColumn);
}

void LineWriter::appendRow(std::string& out, int row) const {
    const CellTable& cells = ds_.Table.Cells;
    if (!rowRebuilt(row)) {
        if (const int lines = cells.rowLineCount(row); lines > 1) {
            // A record continued over several lines goes back as its lines stood.
            for (int k = 0; k < lines; ++k) appendFileLine(out, static_cast<int>(cells.rowId(row)) + k);
            return;
        }
        out.append(cells.rowLine(row)).append(lineEnd_);
        return;
    }
    appendColumns(out, [&](int j) { return cells.cell(j, row); }, cells.rowLine(row));
}

void LineWriter::appendFileLine(std::string& out, int line) const {
    if (outsideTable(line))
        out.append(otherTableLine(ds_.File.FileLines.line(line))).append(lineEnd_);
    else
        out.append(ds_.File.FileLines.line(line)).append(lineEnd_);
}

} // namespace varnotile
