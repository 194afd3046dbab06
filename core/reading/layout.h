#pragma once
// Reading a data file's lines and detecting its layout: the sample line, the column count, the
// numeric columns, the free header text, the named header lines and the first data line.
#include "dataset.h"

#include <string>
#include <string_view>
#include <vector>

namespace varnotile {

// Texts the load showed to the user, in order.
using Messages = std::vector<std::string>;

inline constexpr const char* kMsgTooManyColumns = "Maximum Number of Colons - 10";
inline constexpr const char* kMsgTooFewData = "Too few Data";

// Reads CurrentFileName into FileLines and sets LineCount. A missing file gives no lines and
// no error; a file that exists but cannot be read returns the system's reason (else ""). The
// bytes read are reported to `progress`.
std::string ReadFileLines(DataSet& ds, const ProgressReport& progress = {});

// Length of `line` after trimming trailing spaces, then trailing delimiters, never below 2.
std::size_t trimmedLength(std::string_view line, int delimiter);
// Walks `line` counting fields until field limit+1 starts; fills `fields` (cleared first) when given.
int countFieldsWithinLimit(std::string_view line, int delimiter, StringSlots* fields, int limit = kColumnLimit);
// The notice for a sample line with more fields than the reading takes.
std::string TooManyColumnsMessage(const ReadOptions& reading);

// Picks the sample line, sets ColumnCount and ColumnIsNumeric. Returns false when the file has
// no non-empty line at all, so that there is no sample line.
bool FindColumnCount(DataSet& ds, Messages& messages);
void FindSingleColumnHeader(DataSet& ds);
void FindHeaderLines(DataSet& ds);

} // namespace varnotile
