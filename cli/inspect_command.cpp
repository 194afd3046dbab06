// varnotile-cli inspect: loads a file as the window does and prints what the load found as JSON.
#include "cli_common.h"
#include "compression.h"
#include "follow_command.h"
#include "inspect_report.h"
#include "json_texts.h"
#include "measure_texts.h"
#include "range_statistics.h"
#include "number_text.h"
#include "qt_texts.h"
#include "reading_advice.h"
#include "text_codec.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>

namespace varnotile::cli {

QJsonObject columnRange(const DataSet& ds, int column) {
    QJsonObject range;
    if (!ds.isValueColumn(column)) return range; // statistics are kept for the columns the chart can show
    const auto k = static_cast<std::size_t>(column);
    // A column whose every cell is a missing value has no smallest or largest value.
    const int missing = ds.Table.MissingCount[k];
    const bool noValue = missing > 0 && missing >= ds.Layout.DataRowCount;
    range.insert(QStringLiteral("min"), noValue ? QJsonValue() : QJsonValue(ds.Table.ColumnMin[k]));
    range.insert(QStringLiteral("max"), noValue ? QJsonValue() : QJsonValue(ds.Table.ColumnMax[k]));
    return range;
}

namespace {

QJsonObject columnReport(const DataSet& ds, int column, JsonTexts& texts) {
    const auto k = static_cast<std::size_t>(column);
    const TimeKind time = k < ds.Layout.ColumnTime.size() ? ds.Layout.ColumnTime[k] : TimeKind::None;
    const QString kind = time != TimeKind::None     ? QStringLiteral("time")
                         : ds.Layout.ColumnIsNumeric[k] ? QStringLiteral("number")
                                                        : QStringLiteral("text");
    QJsonObject report{
        {QStringLiteral("numeric"), static_cast<bool>(ds.Layout.ColumnIsNumeric[k])},
        {QStringLiteral("kind"), kind},
        {QStringLiteral("name"), QString::fromStdString(displayText(ds.Layout.ColumnNames[k], ds.File.FileIsUtf8))},
        {QStringLiteral("label"), texts.text(ds.Layout.ColumnLabels[k])},
        {QStringLiteral("header3"), texts.text(ds.Layout.ColumnHeader3[k])},
    };
    const QJsonObject range = columnRange(ds, column);
    if (!range.isEmpty()) {
        const int missing = ds.Table.MissingCount[k];
        const bool noValue = range.value(QStringLiteral("min")).isNull();
        auto number = [&](double value) { return noValue ? QJsonValue() : QJsonValue(value); };
        // A time column's extremes as ISO 8601 texts, its min and max in seconds.
        auto text = [&](double value) {
            if (noValue) return QJsonValue();
            return QJsonValue(QString::fromStdString(time != TimeKind::None ? isoTimeText(value, time)
                                                                            : formatGeneral(value, ds.decimal())));
        };
        for (auto it = range.begin(); it != range.end(); ++it) report.insert(it.key(), it.value());
        report.insert(QStringLiteral("absmax"), number(ds.Table.ColumnAbsMax[k]));
        report.insert(QStringLiteral("min_text"), text(ds.Table.ColumnMin[k]));
        report.insert(QStringLiteral("max_text"), text(ds.Table.ColumnMax[k]));
        report.insert(QStringLiteral("missing_count"), missing);
        if (time != TimeKind::None) report.insert(QStringLiteral("invalid_time_count"), ds.Table.InvalidTimeCount[k]);
    }
    return report;
}

QJsonArray textArray(const std::vector<std::string>& texts) {
    QJsonArray array;
    for (const std::string& text : texts) array.append(QString::fromStdString(text));
    return array;
}

// What --auto would read the file with, the detector's findings in words, and whether the
// proposal reads the file better than the reading asked for (the window offers it, --auto takes it).
QJsonObject proposalReport(const DataSet& ds) {
    const ReadingChoice choice = ProposedChoice(ds);
    const ReadOptions& options = choice.options;
    QJsonObject report = readingOptionsJson(options);
    report.insert(QStringLiteral("delimiter"),
                  QString::fromStdString(options.whitespace ? std::string(" ") : choice.delimiter));
    report.insert(QStringLiteral("findings"), textArray(ds.Layout.Proposal.findings));
    report.insert(QStringLiteral("sentence"), QString::fromStdString(ds.Layout.Proposal.sentence()));
    report.insert(QStringLiteral("offered"), ShouldOfferProposal(ds));
    return report;
}

// The tables the file holds as it is read (its delimiter and reading options): each one's first
// line (its names line, else its first row), last line, rows, columns and names.
QJsonArray tablesReport(const DataSet& ds, JsonTexts& texts) {
    ReadOptions reading = ds.Layout.Reading;
    reading.table = 0;
    QJsonArray tables;
    for (const TableBlock& table : FindTableBlocks(ds.File.FileLines, ds.delimiter(), reading, ds.decimal())) {
        QJsonArray names;
        for (const std::string& name : table.names) names.append(texts.text(name));
        tables.append(QJsonObject{
            {QStringLiteral("first_line"), table.firstLine},
            {QStringLiteral("last_line"), table.lastLine},
            {QStringLiteral("rows"), table.rows},
            {QStringLiteral("columns"), table.columns},
            {QStringLiteral("names"), names},
        });
    }
    return tables;
}

// The time axis made of a date column and the time-of-day column after it; null without one.
QJsonValue dateTimeAxisReport(const DataSet& ds) {
    const int k = ds.Layout.DateTimeAxisColumn;
    if (k == 0) return QJsonValue();
    return QJsonObject{{QStringLiteral("date_column"), k}, {QStringLiteral("time_column"), k + 1}};
}

} // namespace

QJsonObject loadReport(const DataSet& ds, const LoadOutcome& outcome, JsonTexts& texts) {
    const QJsonArray messages = textArray(outcome.messages);
    QJsonObject headerLines;
    for (std::size_t i = 1; i <= 20; ++i)
        if (!ds.Layout.HeaderLines[i].empty())
            headerLines.insert(QString::number(i), texts.text(ds.Layout.HeaderLines[i]));
    QJsonArray columns;
    for (int j = 1; j <= ds.Layout.ColumnCount; ++j) columns.append(columnReport(ds, j, texts));
    return QJsonObject{
        {QStringLiteral("messages"), messages},
        {QStringLiteral("line_count"), ds.File.LineCount},
        {QStringLiteral("column_count"), ds.Layout.ColumnCount},
        {QStringLiteral("first_data_line"), ds.Layout.FirstDataLine},
        {QStringLiteral("data_row_count"), ds.Layout.DataRowCount},
        {QStringLiteral("header_line_count"), ds.Layout.HeaderLineCount},
        {QStringLiteral("extra_column"), ds.Layout.ExtraColumnFound},
        {QStringLiteral("header_lines"), headerLines},
        {QStringLiteral("columns"), columns},
        {QStringLiteral("table"), ds.Layout.Reading.table},
        {QStringLiteral("date_time_axis"), dateTimeAxisReport(ds)},
        {QStringLiteral("tables"), tablesReport(ds, texts)},
        {QStringLiteral("proposal"), proposalReport(ds)},
    };
}

namespace {

// The "cells" member, one data row per line, written in pieces: a table of millions of cells is
// never held as JSON values or as one text.
void writeCells(const DataSet& ds, std::FILE* stream) {
    std::string out = ",\n    \"cells\": [\n";
    for (int r = 1; r <= ds.Layout.DataRowCount; ++r) {
        out += r > 1 ? ",\n        [" : "        [";
        for (int j = 1; j <= ds.Layout.ColumnCount; ++j) {
            if (j > 1) out.push_back(',');
            const std::string_view bytes = ds.Table.Cells.cell(j, r);
            if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
                appendJsonString(out, bytes);
            else
                appendJsonString(out, displayText(bytes, ds.File.FileIsUtf8));
        }
        out.push_back(']');
        if (out.size() > (1 << 16)) {
            std::fwrite(out.data(), 1, out.size(), stream);
            out.clear();
        }
    }
    out += ds.Layout.DataRowCount > 0 ? "\n    ]" : "    ]";
    std::fwrite(out.data(), 1, out.size(), stream);
}

// The "row_lines" member: the file line number each data row came from.
void writeRowLines(const DataSet& ds, std::FILE* stream) {
    std::string out = ",\n    \"row_lines\": [";
    for (int r = 1; r <= ds.Layout.DataRowCount; ++r) {
        if (r > 1) out += ", ";
        out += std::to_string(ds.Table.Cells.rowId(r));
        if (out.size() > (1 << 16)) {
            std::fwrite(out.data(), 1, out.size(), stream);
            out.clear();
        }
    }
    out.push_back(']');
    std::fwrite(out.data(), 1, out.size(), stream);
}

// `range`: the statistics of --range, added to the report when not empty.
void printReport(const DataSet& ds, const LoadOutcome& outcome, bool withCells, const QJsonObject& range = {}) {
    JsonTexts texts(ds.File.FileIsUtf8);
    QJsonObject report = loadReport(ds, outcome, texts);
    if (!range.isEmpty()) report.insert(QStringLiteral("range"), range);
    QByteArray json = QJsonDocument(report).toJson(QJsonDocument::Indented);
    if (!withCells) {
        texts.write(json, stdout);
        return;
    }
    // The cells follow the other members inside the same object: cut the document before its
    // closing brace, stream the cells and row lines, and close it again.
    json.truncate(json.lastIndexOf('}'));
    while (json.endsWith('\n')) json.chop(1);
    texts.write(json, stdout);
    writeCells(ds, stdout);
    writeRowLines(ds, stdout);
    std::fputs("\n}\n", stdout);
}

// One end of --range: a number, or on a time axis also a date and time as the column writes them.
bool readRangeEnd(std::string_view text, TimeKind xTime, double& value) {
    std::string plain(text);
    char* end = nullptr;
    value = std::strtod(plain.c_str(), &end);
    if (!plain.empty() && end == plain.c_str() + plain.size() && std::isfinite(value)) return true;
    return xTime != TimeKind::None && readTime(text, xTime, value);
}

// X1:X2 split at the colon that leaves two readable ends (a time has colons of its own).
bool readRange(const std::string& text, TimeKind xTime, double& x1, double& x2) {
    for (std::size_t colon = text.find(':'); colon != std::string::npos; colon = text.find(':', colon + 1))
        if (readRangeEnd(std::string_view(text).substr(0, colon), xTime, x1) &&
            readRangeEnd(std::string_view(text).substr(colon + 1), xTime, x2))
            return true;
    return false;
}

// The statistics of every numeric column but X over the rows whose X lies in x1..x2.
QJsonObject rangeReport(const DataSet& ds, int xColumn, double x1, double x2) {
    RangeStatisticsIndex index;
    auto number = [](double v) { return std::isfinite(v) ? QJsonValue(v) : QJsonValue(); };
    const TimeKind xTime = xColumn >= 1 ? ds.Layout.ColumnTime[xColumn] : TimeKind::None;
    auto xText = [&](double x) {
        return std::isfinite(x) ? QJsonValue(QString::fromStdString(XPositionText(ds, xColumn, x))) : QJsonValue();
    };
    QJsonObject columns;
    for (int k = 1; k <= ds.Layout.ColumnCount; ++k) {
        if (k == xColumn || !ds.isValueColumn(k) || !ds.Layout.ColumnIsNumeric[k]) continue;
        const RangeStatistics s = index.overX(ds, xColumn, k, x1, x2);
        columns.insert(QString::number(k),
                       QJsonObject{{QStringLiteral("name"), QString::fromStdString(displayText(ds.Layout.ColumnNames[k], ds.File.FileIsUtf8))},
                                   {QStringLiteral("count"), static_cast<qint64>(s.count)},
                                   {QStringLiteral("missing"), static_cast<qint64>(s.missing)},
                                   {QStringLiteral("mean"), number(s.mean)},
                                   {QStringLiteral("standard_deviation"), number(s.standardDeviation)},
                                   {QStringLiteral("min"), number(s.min)},
                                   {QStringLiteral("min_x"), number(s.minX)},
                                   {QStringLiteral("min_x_text"), xText(s.minX)},
                                   {QStringLiteral("max"), number(s.max)},
                                   {QStringLiteral("max_x"), number(s.maxX)},
                                   {QStringLiteral("max_x_text"), xText(s.maxX)},
                                   {QStringLiteral("integral"), number(s.integral)}});
    }
    return QJsonObject{{QStringLiteral("x_column"), xColumn},
                       {QStringLiteral("x_is_time"), xTime != TimeKind::None},
                       {QStringLiteral("from"), std::min(x1, x2)},
                       {QStringLiteral("to"), std::max(x1, x2)},
                       {QStringLiteral("from_text"), xText(std::min(x1, x2))},
                       {QStringLiteral("to_text"), xText(std::max(x1, x2))},
                       {QStringLiteral("columns"), columns}};
}

} // namespace

int runInspect(const QStringList& arguments) {
    const CommandSyntax syntax{"inspect", usageWith("[--cells | --follow] [--range X1:X2 [--x N]] FILE"),
                               "Prints what loading FILE found, as JSON.", {QStringLiteral("FILE")}};
    QCommandLineParser parser;
    addCommonOptions(parser);
    parser.addOption({QStringLiteral("cells"),
                      QStringLiteral("Adds every cell's text, row by row, and the file line of each row.")});
    parser.addOption({QStringLiteral("range"),
                      QStringLiteral("Adds \"range\": the statistics of every numeric column over the rows whose X lies "
                                     "in X1..X2 (count, missing, mean, standard deviation, extremes with their X, "
                                     "integral over X). On a time axis X1 and X2 may be dates and times."),
                      QStringLiteral("X1:X2")});
    parser.addOption({QStringLiteral("x"), QStringLiteral("The X column of --range (0, the default, is the row number)."),
                      QStringLiteral("N"), QStringLiteral("0")});
    parser.addOption({QStringLiteral("follow"),
                      QStringLiteral("Prints the object on one line, then one line per change of the growing file "
                                     "until interrupted.")});
    OptionalValues optionalValues;
    if (const std::optional<int> status = parseCommandLine(parser, syntax, arguments, optionalValues)) return *status;
    const std::optional<LoadOptions> options = loadOptionsOf(parser, optionalValues, syntax);
    if (!options) return kExitUsage;
    const bool follow = parser.isSet(QStringLiteral("follow"));
    if (follow && parser.isSet(QStringLiteral("cells"))) return refuse(syntax, "--cells and --follow exclude each other");
    const bool withRange = parser.isSet(QStringLiteral("range"));
    if (follow && withRange) return refuse(syntax, "--range and --follow exclude each other");
    int xColumn = 0;
    {
        bool ok = false;
        const QString xText = parser.value(QStringLiteral("x"));
        xColumn = xText.toInt(&ok);
        const int xLimit = options->reading.options.wideFiles || options->reading.automatic ? kWideColumnLimit : kColumnLimit;
        if (!ok || xColumn < 0 || xColumn > xLimit)
            return refuse(syntax, "--x takes a column number from 0 (row number) to " + std::to_string(xLimit) + ", not '" +
                                      xText.toStdString() + "'");
    }

    DataSet ds;
    LoadOutcome outcome;
    const std::string file = QFile::encodeName(parser.positionalArguments().at(0)).toStdString();
    const int status = loadForCommand(ds, *options, file, outcome);
    if (status == kExitUsage) return status;
    // What is appended to compressed data cannot be read on its own (and a compressor's file is
    // cut short while it writes): such a file is inspected, not followed.
    if (follow && (ds.File.FileLines.compression() != Compression::None || compressionOfName(file) != Compression::None)) {
        std::cerr << "varnotile-cli inspect: cannot follow " << file
                  << ": a compressed file cannot be read as it grows; inspect it without --follow\n";
        return kExitUsage;
    }
    // A file still too short to read is followed all the same: a logger's file starts that way.
    if (follow) return followFile(ds, *options, outcome);
    QJsonObject range;
    // As render does: --auto takes a first column of dates or times as X, unless --x chose one.
    const int proposedX = ds.Layout.Proposal.xColumn;
    if (withRange && options->reading.automatic && !parser.isSet(QStringLiteral("x")) && proposedX >= 1 &&
        proposedX <= ds.Layout.ColumnCount && ds.Layout.ColumnTime[proposedX] != TimeKind::None)
        xColumn = proposedX;
    if (withRange && ds.Layout.DataRowCount > 0) {
        const std::string text = parser.value(QStringLiteral("range")).toStdString();
        const bool xNumeric = xColumn == 0 || (xColumn <= ds.Layout.ColumnCount && ds.isValueColumn(xColumn) &&
                                               ds.Layout.ColumnIsNumeric[xColumn]);
        if (!xNumeric) return refuse(syntax, "--x " + std::to_string(xColumn) + " is not a numeric column of the file");
        const TimeKind xTime = xColumn >= 1 ? ds.Layout.ColumnTime[xColumn] : TimeKind::None;
        double x1 = 0, x2 = 0;
        if (!readRange(text, xTime, x1, x2))
            return refuse(syntax, "--range takes X1:X2, two numbers (or dates and times on a time axis), not '" + text + "'");
        range = rangeReport(ds, xColumn, x1, x2);
    }
    printReport(ds, outcome, parser.isSet(QStringLiteral("cells")), range);
    return status;
}

} // namespace varnotile::cli
