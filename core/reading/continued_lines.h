#pragma once
// Records written over several lines, every line but the last ending in a backslash. The joined
// text of each such record is kept by its first line; the lines after it are no rows of their
// own. The file lines themselves stay as they are, so an unchanged record is written back as it
// stood.
#include "read_options.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace varnotile {

class FileLines;

// True when the line's last character other than a blank is a backslash.
bool endsInContinuation(std::string_view line);
// The line without its continuation backslash (and the blanks after it).
std::string_view withoutContinuation(std::string_view line);

class ContinuedRecords {
public:
    // Finds the records among all lines of `lines`; comment and blank lines (as `options` has
    // them) neither continue nor are continued.
    void find(const FileLines& lines, const ReadOptions& options);

    bool empty() const { return records_.empty(); }
    // The joined text of the record that starts at `line`, or nullptr when none does.
    const std::string* text(uint32_t line) const {
        const auto it = records_.find(line);
        return it == records_.end() ? nullptr : &it->second.text;
    }
    // How many file lines the record starting at `line` spans (1 for a line of its own).
    int lineCount(uint32_t line) const {
        const auto it = records_.find(line);
        return it == records_.end() ? 1 : it->second.lines;
    }
    // True when `line` is a later line of a record.
    bool continues(uint32_t line) const;

private:
    struct Record {
        std::string text;
        int lines = 1;
    };
    std::unordered_map<uint32_t, Record> records_;
    std::vector<uint32_t> later_; // ascending
};

// The text of file line `line`, or of the whole record when `records` has one starting there.
std::string_view recordText(const FileLines& lines, const ContinuedRecords* records, uint32_t line);

} // namespace varnotile
