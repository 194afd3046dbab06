// varnotile-cli inspect: loads a file as the window does and prints what the load found as JSON.
#include "cli_common.h"
#include "json_writer.h"
#include "number_text.h"
#include "text_codec.h"

#include <cstdio>
#include <iostream>
#include <string>

namespace varnotile::cli {
namespace {

void printReport(const DataSet& ds, const LoadOutcome& outcome, bool withCells) {
    auto text = [&](std::string_view bytes) { return jsonString(displayText(bytes, ds.FileIsUtf8)); };
    std::string out;
    out.reserve(4096);
    out += "{\n  \"messages\": [";
    for (std::size_t i = 0; i < outcome.messages.size(); ++i) {
        if (i) out += ", ";
        out += jsonString(outcome.messages[i]);
    }
    out += "],\n";
    out += "  \"line_count\": " + std::to_string(ds.LineCount) + ",\n";
    out += "  \"column_count\": " + std::to_string(ds.ColumnCount) + ",\n";
    out += "  \"first_data_line\": " + std::to_string(ds.FirstDataLine) + ",\n";
    out += "  \"data_row_count\": " + std::to_string(ds.DataRowCount) + ",\n";
    out += "  \"header_line_count\": " + std::to_string(ds.HeaderLineCount) + ",\n";
    out += std::string("  \"extra_column\": ") + (ds.ExtraColumnFound ? "true" : "false") + ",\n";
    out += "  \"header_lines\": {";
    bool first = true;
    for (std::size_t i = 1; i <= 20; ++i) {
        if (ds.HeaderLines[i].empty()) continue;
        out += first ? "" : ", ";
        first = false;
        out += "\"" + std::to_string(i) + "\": " + text(ds.HeaderLines[i]);
    }
    out += "},\n  \"columns\": [";
    for (int j = 1; j <= ds.ColumnCount; ++j) {
        const auto k = static_cast<std::size_t>(j);
        out += j > 1 ? ",\n    {" : "\n    {";
        out += std::string("\"numeric\": ") + (ds.ColumnIsNumeric[k] ? "true" : "false");
        out += ", \"name\": " + text(ds.ColumnNames[k]);
        out += ", \"label\": " + text(ds.ColumnLabels[k]);
        out += ", \"header3\": " + text(ds.ColumnHeader3[k]);
        if (j <= 10) {
            out += ", \"min\": " + jsonNumber(ds.ColumnMin[k]);
            out += ", \"max\": " + jsonNumber(ds.ColumnMax[k]);
            out += ", \"absmax\": " + jsonNumber(ds.ColumnAbsMax[k]);
            out += ", \"min_text\": " + jsonString(formatGeneral(ds.ColumnMin[k], ds.DecimalSeparator));
            out += ", \"max_text\": " + jsonString(formatGeneral(ds.ColumnMax[k], ds.DecimalSeparator));
        }
        out += "}";
    }
    out += ds.ColumnCount > 0 ? "\n  ]" : "]";
    std::fwrite(out.data(), 1, out.size(), stdout);
    out.clear();
    if (withCells) {
        std::fputs(",\n  \"cells\": [", stdout);
        for (int r = 1; r <= ds.DataRowCount; ++r) {
            out += r > 1 ? ",\n    [" : "\n    [";
            for (int j = 1; j <= ds.ColumnCount; ++j) {
                if (j > 1) out += ", ";
                out += text(ds.Cells.cell(j, r));
            }
            out += "]";
            if (out.size() > (1 << 16)) {
                std::fwrite(out.data(), 1, out.size(), stdout);
                out.clear();
            }
        }
        out += ds.DataRowCount > 0 ? "\n  ]" : "]";
    }
    out += "\n}\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
}

} // namespace

int runInspect(std::vector<std::string> args) {
    LoadOptions options;
    std::string error;
    if (!takeLoadOptions(args, options, error)) {
        std::cerr << "varnotile-cli inspect: " << error << "\n";
        return kExitUsage;
    }
    const bool withCells = takeFlag(args, "--cells");
    if (args.size() != 1 || args[0].rfind("--", 0) == 0) {
        std::cerr << "usage: varnotile-cli inspect [--delimiter D] [--decimal C] [--cells] FILE\n";
        return kExitUsage;
    }
    DataSet ds;
    LoadOutcome outcome;
    const int status = loadForCommand(ds, options, args[0], outcome);
    if (status == kExitUsage) return status;
    printReport(ds, outcome, withCells);
    return status;
}

} // namespace varnotile::cli
