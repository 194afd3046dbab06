#include "continued_lines.h"

#include "file_lines.h"

#include <algorithm>

namespace varnotile {

bool endsInContinuation(std::string_view line) {
    line = trimBlanks(line);
    return !line.empty() && line.back() == '\\';
}

std::string_view withoutContinuation(std::string_view line) {
    const std::size_t at = line.find_last_not_of(" \t");
    return at != std::string_view::npos && line[at] == '\\' ? line.substr(0, at) : line;
}

void ContinuedRecords::find(const FileLines& lines, const ReadOptions& options) {
    records_.clear();
    later_.clear();
    const int count = lines.count();
    for (int i = 1; i < count; ++i) {
        std::string_view line = lines.line(i);
        if (!endsInContinuation(line) || isCommentOrBlank(line, options)) continue;
        Record record;
        int last = i;
        // The record runs on while its lines end in a backslash; a comment or blank line, or the
        // end of the file, ends it.
        while (last < count && endsInContinuation(line) && !isCommentOrBlank(lines.line(last + 1), options)) {
            record.text += withoutContinuation(line);
            line = lines.line(++last);
            later_.push_back(static_cast<uint32_t>(last));
        }
        if (last == i) continue;
        record.text += endsInContinuation(line) ? withoutContinuation(line) : line;
        record.lines = last - i + 1;
        records_.emplace(static_cast<uint32_t>(i), std::move(record));
        i = last;
    }
}

std::string_view recordText(const FileLines& lines, const ContinuedRecords* records, uint32_t line) {
    if (records)
        if (const std::string* text = records->text(line)) return *text;
    return lines.line(static_cast<int>(line));
}

bool ContinuedRecords::continues(uint32_t line) const {
    return std::binary_search(later_.begin(), later_.end(), line);
}

} // namespace varnotile
