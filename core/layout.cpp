#include "layout.h"

#include "number_text.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace varnotile {

std::string ReadFileLines(DataSet& ds) {
    ds.FileLines.clear();
    ds.LineCount = 0;
    struct stat st {};
    if (ds.CurrentFileName.empty() || ::stat(ds.CurrentFileName.c_str(), &st) != 0) {
        if (!ds.CurrentFileName.empty() && errno != ENOENT && errno != ENOTDIR)
            return std::strerror(errno);
        return {}; // no such file: no lines
    }
    std::string bytes;
    std::string error = readWholeFile(ds.CurrentFileName, bytes);
    if (!error.empty()) return error;
    ds.FileLines.assign(std::move(bytes));
    ds.LineCount = ds.FileLines.count();
    return {};
}

std::size_t trimmedLength(std::string_view line, int delimiter) {
    std::size_t len = line.size();
    while (len > static_cast<std::size_t>(kTrimFloor) && line[len - 1] == ' ') --len;
    if (delimiter >= 0)
        while (len > static_cast<std::size_t>(kTrimFloor) && static_cast<unsigned char>(line[len - 1]) == delimiter)
            --len;
    return len;
}

int countFieldsWithinLimit(std::string_view line, int delimiter, StringSlots* fields) {
    if (fields)
        for (auto& f : *fields) f.clear();
    int k = 1;
    for (char c : line) {
        if (static_cast<unsigned char>(c) == delimiter) {
            ++k;
        } else if (fields) {
            (*fields)[static_cast<std::size_t>(k)].push_back(c);
        }
        if (k > kColumnLimit) break;
    }
    return k;
}

bool FindColumnCount(DataSet& ds, Messages& messages) {
    int last = ds.LineCount;
    while (last >= 1 && ds.FileLines.line(last).empty()) --last;
    if (last < 1) return false;
    std::string_view sample = ds.FileLines.line(last);
    if (last > 1 && ds.FileLines.line(last - 1).size() > sample.size()) sample = ds.FileLines.line(last - 1);
    ds.LineBuffer.assign(sample.substr(0, trimmedLength(sample, ds.delimiter())));
    int k = countFieldsWithinLimit(ds.LineBuffer, ds.delimiter(), &ds.Fields);
    if (k > kColumnLimit) messages.emplace_back(kMsgTooManyColumns);
    ds.ColumnCount = ds.Fields[k].empty() ? k - 1 : k;
    for (int j = 1; j <= ds.ColumnCount; ++j)
        ds.ColumnIsNumeric[j] = IsNumericText(ds.Fields[j], ds.DecimalSeparator);
    return true;
}

void FindSingleColumnHeader(DataSet& ds) {
    ds.FirstDataLine = 1;
    for (int i = 1; i <= kHeaderScan && i <= ds.LineCount; ++i) {
        const std::string_view line = ds.FileLines.line(i);
        if (IsNumericText(line, ds.DecimalSeparator)) break;
        ds.HeaderLines[i].assign(line);
        ds.FirstDataLine = i + 1;
    }
}

void FindHeaderLines(DataSet& ds) {
    const int delimiter = ds.delimiter();
    // Phase 1: a line among the first 20 whose field count does not match is free header text.
    ds.FirstDataLine = 1;
    ds.HeaderLineCount = 0;
    for (int i = 1; i <= kHeaderScan && i <= ds.LineCount; ++i) {
        const std::string_view line = ds.FileLines.line(i);
        int n = countFieldsWithinLimit(line.substr(0, trimmedLength(line, delimiter)), delimiter, nullptr);
        if (ds.Fields[n].empty()) --n;
        if (n != ds.ColumnCount) {
            ds.HeaderLines[i].assign(line);
            ds.FirstDataLine = i + 1;
        }
    }
    // Phase 2: up to three lines without a numeric field name, label and head the columns.
    while (ds.HeaderLineCount < kNamedHeaderLines && ds.FirstDataLine <= ds.LineCount) {
        countFieldsWithinLimit(ds.FileLines.line(ds.FirstDataLine), delimiter, &ds.Fields);
        bool anyNumeric = false;
        for (int j = 1; j <= ds.ColumnCount && !anyNumeric; ++j)
            anyNumeric = IsNumericText(ds.Fields[j], ds.DecimalSeparator);
        if (anyNumeric) break;
        ++ds.HeaderLineCount;
        StringSlots& target = ds.HeaderLineCount == 1 ? ds.ColumnNames
                              : ds.HeaderLineCount == 2 ? ds.ColumnLabels
                                                        : ds.ColumnHeader3;
        for (int j = 1; j <= ds.ColumnCount; ++j) target[static_cast<std::size_t>(j)] = ds.Fields[j];
        ++ds.FirstDataLine;
    }
}

void SplitLine(DataSet& ds, std::string_view text) {
    for (int j = 1; j <= kFieldSlots; ++j) ds.Fields[j].clear();
    const int delimiter = ds.delimiter();
    int k = 1;
    for (char c : text) {
        if (static_cast<unsigned char>(c) == delimiter) {
            ++k;
        } else if (k <= kFieldSlots) {
            ds.Fields[k].push_back(c);
        }
    }
}

} // namespace varnotile
