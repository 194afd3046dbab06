#include "cell_table.h"

#include "continued_lines.h"
#include "file_lines.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace varnotile {

namespace {
// The rebuilt text of a cell is keyed by its line and column (up to 1,001 columns).
uint64_t rebuiltKey(CellTable::RowId id, uint64_t column) { return (static_cast<uint64_t>(id) << 11) | column; }
} // namespace

std::string_view fieldOfLine(std::string_view line, int delimiter, int field) {
    if (field < 1 || field > kMaxTableColumns) return {};
    if (delimiter < 0) return field == 1 ? line : std::string_view{};
    const char d = static_cast<char>(delimiter);
    std::size_t pos = 0;
    for (int k = 1; k < field; ++k) {
        const void* hit = std::memchr(line.data() + pos, d, line.size() - pos);
        if (!hit) return {};
        pos = static_cast<std::size_t>(static_cast<const char*>(hit) - line.data()) + 1;
    }
    const void* hit = std::memchr(line.data() + pos, d, line.size() - pos);
    const std::size_t end = hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - line.data()) : line.size();
    return line.substr(pos, end - pos);
}

void CellTable::clear() {
    lines_ = nullptr;
    rows_.clear();
    rows_.shrink_to_fit();
    listed_ = false;
    firstLine_ = 0;
    rowCount_ = 0;
    columnCount_ = 0;
    extraColumn_ = 0;
    extraFirstLine_ = 0;
    maxRowId_ = 0;
    overlays_.clear();
    reading_.reset();
    records_.reset();
    skipped_.clear();
    breaks_.clear();
    rebuilt_.clear();
}

void CellTable::swap(CellTable& other) noexcept {
    using std::swap;
    swap(lines_, other.lines_);
    swap(listed_, other.listed_);
    swap(firstLine_, other.firstLine_);
    swap(rowCount_, other.rowCount_);
    swap(rows_, other.rows_);
    swap(delimiter_, other.delimiter_);
    swap(columnCount_, other.columnCount_);
    swap(extraColumn_, other.extraColumn_);
    swap(extraFirstLine_, other.extraFirstLine_);
    swap(maxRowId_, other.maxRowId_);
    swap(overlays_, other.overlays_);
    swap(reading_, other.reading_);
    swap(records_, other.records_);
    swap(skipped_, other.skipped_);
    swap(breaks_, other.breaks_);
    const std::scoped_lock lock(rebuiltLock_, other.rebuiltLock_);
    swap(rebuilt_, other.rebuilt_);
}

void CellTable::setReading(const ReadOptions& options, std::vector<RowId> rows, std::vector<RowId> skipped,
                           std::vector<RowId> breaks) {
    reading_ = std::make_unique<ReadOptions>(options);
    rows_ = std::move(rows);
    listed_ = true;
    rowCount_ = static_cast<int>(rows_.size());
    maxRowId_ = rows_.empty() ? 0 : rows_.back();
    skipped_ = std::move(skipped);
    breaks_ = std::move(breaks);
}

void CellTable::lineChanged(RowId id) {
    const std::lock_guard<std::mutex> lock(rebuiltLock_);
    for (uint64_t column = 1; column <= static_cast<uint64_t>(columnCount_); ++column) rebuilt_.erase(rebuiltKey(id, column));
}

void CellTable::appendLines(const std::vector<RowId>& rows, const std::vector<RowId>& skipped,
                            const std::vector<RowId>& breaks) {
    if (!rows.empty()) {
        bool consecutive = skipped.empty() && !listed_;
        for (std::size_t i = 1; i < rows.size() && consecutive; ++i) consecutive = rows[i] == rows[i - 1] + 1;
        if (consecutive && rowCount_ > 0) consecutive = rows.front() == firstLine_ + static_cast<RowId>(rowCount_);
        if (consecutive) {
            // The rows still follow the lines one to one, so no list is needed.
            if (rowCount_ == 0) firstLine_ = rows.front();
            rowCount_ += static_cast<int>(rows.size());
        } else {
            listRows();
            rows_.insert(rows_.end(), rows.begin(), rows.end());
        }
        maxRowId_ = std::max(maxRowId_, rows.back());
        for (auto& o : overlays_)
            if (o) {
                o->text.resize(static_cast<std::size_t>(maxRowId_) + 1);
                o->set.resize(static_cast<std::size_t>(maxRowId_) + 1, 0);
            }
    }
    skipped_.insert(skipped_.end(), skipped.begin(), skipped.end());
    breaks_.insert(breaks_.end(), breaks.begin(), breaks.end());
}

std::vector<int> CellTable::rowsAfterBreaks(int fromRow) const {
    std::vector<int> after;
    if (breaks_.empty()) return after;
    const int rows = rowCount();
    // Rows stay in file order, so a blank line lies between row r-1 and row r exactly when the
    // first blank line past row r-1 comes before row r.
    for (int r = std::max(fromRow, 2); r <= rows; ++r) {
        const auto next = std::upper_bound(breaks_.begin(), breaks_.end(), rowId(r - 1));
        if (next != breaks_.end() && *next < rowId(r)) after.push_back(r);
    }
    return after;
}

void CellTable::assign(const FileLines* lines, int firstLine, int rowCount, int delimiter, int columnCount,
                       int extraColumn, RowId extraFirstLine) {
    clear();
    lines_ = lines;
    delimiter_ = delimiter;
    columnCount_ = std::min(columnCount, kMaxTableColumns);
    overlays_.resize(static_cast<std::size_t>(columnCount_) + 1);
    extraColumn_ = extraColumn;
    extraFirstLine_ = extraFirstLine;
    firstLine_ = static_cast<RowId>(firstLine);
    rowCount_ = rowCount > 0 ? rowCount : 0;
    maxRowId_ = rowCount_ > 0 ? firstLine_ + static_cast<RowId>(rowCount_ - 1) : 0;
}

std::string_view CellTable::cell(int column, int row) const {
    if (column < 1 || column > columnCount_ || row < 1 || row > rowCount()) return {};
    const RowId id = rowId(row);
    if (const Overlay* o = overlays_[static_cast<std::size_t>(column)].get(); o && o->set[id]) return o->text[id];
    return fileText(column, row);
}

std::string_view CellTable::fileText(int column, int row) const {
    if (column < 1 || column > columnCount_ || row < 1 || row > rowCount() || !lines_) return {};
    const RowId id = rowId(row);
    if (column == extraColumn_ && id < extraFirstLine_) return {};
    const std::string_view line = lineText(id);
    if (!reading_) return fieldOfLine(line, delimiter_, column);
    thread_local LineCells split;
    const int n = splitFields(line, delimiter_, *reading_, split, column);
    if (n < column) return {};
    const std::string_view text = split.cells[static_cast<std::size_t>(column - 1)];
    const bool insideLine = text.data() >= line.data() && text.data() + text.size() <= line.data() + line.size();
    if (insideLine || text.empty()) return text;
    // A rebuilt text lives in the split's scratch space, so the table keeps its own copy.
    const uint64_t key = rebuiltKey(id, static_cast<uint64_t>(column));
    const std::lock_guard<std::mutex> lock(rebuiltLock_);
    return rebuilt_.try_emplace(key, text).first->second;
}

std::string_view CellTable::rowLine(int row) const {
    if (row < 1 || row > rowCount() || !lines_) return {};
    return lineText(rowId(row));
}

std::string_view CellTable::lineText(RowId id) const {
    return recordText(*lines_, records_.get(), id);
}

int CellTable::rowLineCount(int row) const {
    if (!records_ || row < 1 || row > rowCount()) return 1;
    return records_->lineCount(rowId(row));
}

bool CellTable::isEdited(int column, int row) const {
    if (column < 1 || column > columnCount_ || row < 1 || row > rowCount()) return false;
    const Overlay* o = overlays_[static_cast<std::size_t>(column)].get();
    return o && o->set[rowId(row)];
}

CellTable::Overlay& CellTable::overlayFor(int column) {
    auto& o = overlays_[static_cast<std::size_t>(column)];
    if (!o) {
        o = std::make_unique<Overlay>();
        o->text.resize(static_cast<std::size_t>(maxRowId_) + 1);
        o->set.assign(static_cast<std::size_t>(maxRowId_) + 1, 0);
    }
    return *o;
}

void CellTable::setCell(int column, int row, std::string text) {
    if (column < 1 || column > columnCount_ || row < 1 || row > rowCount()) return;
    Overlay& o = overlayFor(column);
    const RowId id = rowId(row);
    o.text[id] = std::move(text);
    o.set[id] = 1;
}

void CellTable::revertCell(int column, int row) {
    if (column < 1 || column > columnCount_ || row < 1 || row > rowCount()) return;
    if (Overlay* o = overlays_[static_cast<std::size_t>(column)].get()) {
        const RowId id = rowId(row);
        o->set[id] = 0;
        std::string().swap(o->text[id]);
    }
}

void CellTable::listRows() {
    if (listed_) return;
    rows_.resize(static_cast<std::size_t>(rowCount_));
    std::iota(rows_.begin(), rows_.end(), firstLine_);
    listed_ = true;
}

std::vector<CellTable::RowId> CellTable::takeRows(int top, int bottom) {
    if (top < 1) top = 1;
    if (bottom > rowCount()) bottom = rowCount();
    if (bottom < top) return {};
    listRows();
    auto first = rows_.begin() + (top - 1);
    auto last = rows_.begin() + bottom;
    std::vector<RowId> taken(first, last);
    rows_.erase(first, last);
    return taken;
}

void CellTable::insertRows(int at, const std::vector<RowId>& rows) {
    if (at < 1) at = 1;
    if (at > rowCount() + 1) at = rowCount() + 1;
    listRows();
    rows_.insert(rows_.begin() + (at - 1), rows.begin(), rows.end());
}

} // namespace varnotile
