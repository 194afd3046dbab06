#include "cell_table.h"

#include "file_lines.h"

#include <cstring>
#include <numeric>

namespace varnotile {

std::string_view fieldOfLine(std::string_view line, int delimiter, int field) {
    if (field < 1 || field > 20) return {};
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
    for (auto& o : overlays_) o.reset();
}

void CellTable::assign(const FileLines* lines, int firstLine, int rowCount, int delimiter, int columnCount,
                       int extraColumn, RowId extraFirstLine) {
    clear();
    lines_ = lines;
    delimiter_ = delimiter;
    columnCount_ = columnCount;
    extraColumn_ = extraColumn;
    extraFirstLine_ = extraFirstLine;
    firstLine_ = static_cast<RowId>(firstLine);
    rowCount_ = rowCount > 0 ? rowCount : 0;
    maxRowId_ = rowCount_ > 0 ? firstLine_ + static_cast<RowId>(rowCount_ - 1) : 0;
}

std::string_view CellTable::cell(int column, int row) const {
    if (column < 1 || column > columnCount_ || row < 1 || row > rowCount()) return {};
    const RowId id = rowId(row);
    if (const Overlay* o = overlays_[column].get(); o && o->set[id]) return o->text[id];
    return fileText(column, row);
}

std::string_view CellTable::fileText(int column, int row) const {
    if (column < 1 || column > columnCount_ || row < 1 || row > rowCount() || !lines_) return {};
    const RowId id = rowId(row);
    if (column == extraColumn_ && id < extraFirstLine_) return {};
    return fieldOfLine(lines_->line(static_cast<int>(id)), delimiter_, column);
}

std::string_view CellTable::rowLine(int row) const {
    if (row < 1 || row > rowCount() || !lines_) return {};
    return lines_->line(static_cast<int>(rowId(row)));
}

bool CellTable::isEdited(int column, int row) const {
    if (column < 1 || column > columnCount_ || row < 1 || row > rowCount()) return false;
    const Overlay* o = overlays_[column].get();
    return o && o->set[rowId(row)];
}

CellTable::Overlay& CellTable::overlayFor(int column) {
    auto& o = overlays_[column];
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
    if (Overlay* o = overlays_[column].get()) {
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
