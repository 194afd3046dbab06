#include "layout.h"

#include "number_text.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace varnotile {

std::string ReadFileLines(DataSet& ds, const ProgressReport& progress) {
    ds.File.FileLines.clear();
    ds.File.LineCount = 0;
    struct stat st {};
    if (ds.File.CurrentFileName.empty() || ::stat(ds.File.CurrentFileName.c_str(), &st) != 0) {
        if (!ds.File.CurrentFileName.empty() && errno != ENOENT && errno != ENOTDIR)
            return std::strerror(errno);
        return {}; // no such file: no lines
    }
    ds.File.FileLines.setCrEndsLines(ds.Layout.Reading.crLineEnds);
    if (std::string error = ds.File.FileLines.read(ds.File.CurrentFileName, progress); !error.empty())
        return error;
    ds.File.LineCount = ds.File.FileLines.count();
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

int countFieldsWithinLimit(std::string_view line, int delimiter, StringSlots* fields, int limit) {
    if (fields)
        for (auto& f : *fields) f.clear();
    int k = 1;
    for (char c : line) {
        if (static_cast<unsigned char>(c) == delimiter) {
            ++k;
        } else if (fields) {
            (*fields)[static_cast<std::size_t>(k)].push_back(c);
        }
        if (k > limit) break;
    }
    return k;
}

std::string TooManyColumnsMessage(const ReadOptions& reading) {
    return reading.wideFiles ? "Maximum Number of Colons - " + std::to_string(kWideColumnLimit) : kMsgTooManyColumns;
}

bool FindColumnCount(DataSet& ds, Messages& messages) {
    int last = ds.File.LineCount;
    while (last >= 1 && ds.File.FileLines.line(last).empty()) --last;
    if (last < 1) return false;
    std::string_view sample = ds.File.FileLines.line(last);
    if (last > 1 && ds.File.FileLines.line(last - 1).size() > sample.size())
        sample = ds.File.FileLines.line(last - 1);
    const std::string_view trimmed = sample.substr(0, trimmedLength(sample, ds.delimiter()));
    int k = countFieldsWithinLimit(trimmed, ds.delimiter(), &ds.Layout.Fields, ds.columnLimit());
    ds.Layout.ColumnsBeyondLimit = k > ds.columnLimit();
    if (ds.Layout.ColumnsBeyondLimit) messages.emplace_back(TooManyColumnsMessage(ds.Layout.Reading));
    ds.Layout.ColumnCount = ds.Layout.Fields[k].empty() ? k - 1 : k;
    for (int j = 1; j <= ds.Layout.ColumnCount; ++j)
        ds.Layout.ColumnIsNumeric[j] = IsNumericText(ds.Layout.Fields[j], ds.decimal());
    return true;
}

void FindSingleColumnHeader(DataSet& ds) {
    ds.Layout.FirstDataLine = 1;
    for (int i = 1; i <= kHeaderScan && i <= ds.File.LineCount; ++i) {
        const std::string_view line = ds.File.FileLines.line(i);
        if (IsNumericText(line, ds.decimal())) break;
        ds.Layout.HeaderLines[i].assign(line);
        ds.Layout.FirstDataLine = i + 1;
    }
}

void FindHeaderLines(DataSet& ds) {
    const int delimiter = ds.delimiter();
    // Phase 1: a line among the first 20 whose field count does not match is free header text.
    ds.Layout.FirstDataLine = 1;
    ds.Layout.HeaderLineCount = 0;
    for (int i = 1; i <= kHeaderScan && i <= ds.File.LineCount; ++i) {
        const std::string_view line = ds.File.FileLines.line(i);
        int n = countFieldsWithinLimit(line.substr(0, trimmedLength(line, delimiter)), delimiter, nullptr,
                                       ds.columnLimit());
        if (ds.Layout.Fields[n].empty()) --n;
        if (n != ds.Layout.ColumnCount) {
            ds.Layout.HeaderLines[i].assign(line);
            ds.Layout.FirstDataLine = i + 1;
        }
    }
    // Phase 2: up to three lines without a numeric field name, label and head the columns.
    while (ds.Layout.HeaderLineCount < kNamedHeaderLines && ds.Layout.FirstDataLine <= ds.File.LineCount) {
        countFieldsWithinLimit(ds.File.FileLines.line(ds.Layout.FirstDataLine), delimiter, &ds.Layout.Fields,
                               ds.columnLimit());
        bool anyNumeric = false;
        for (int j = 1; j <= ds.Layout.ColumnCount && !anyNumeric; ++j)
            anyNumeric = IsNumericText(ds.Layout.Fields[j], ds.decimal());
        if (anyNumeric) break;
        ++ds.Layout.HeaderLineCount;
        StringSlots& target = ds.Layout.HeaderLineCount == 1 ? ds.Layout.ColumnNames
                              : ds.Layout.HeaderLineCount == 2 ? ds.Layout.ColumnLabels
                                                        : ds.Layout.ColumnHeader3;
        for (int j = 1; j <= ds.Layout.ColumnCount; ++j)
            target[static_cast<std::size_t>(j)] = ds.Layout.Fields[j];
        ds.Layout.NamedLineAt[static_cast<std::size_t>(ds.Layout.HeaderLineCount - 1)] = ds.Layout.FirstDataLine;
        ++ds.Layout.FirstDataLine;
    }
}

} // namespace varnotile
