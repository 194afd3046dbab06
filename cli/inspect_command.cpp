// varnotile-cli inspect: loads a file as the window does and prints what the load found as JSON.
#include "cli_common.h"
#include "number_text.h"
#include "qt_texts.h"
#include "text_codec.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>

namespace varnotile::cli {
namespace {

QJsonObject columnReport(const DataSet& ds, int column) {
    const auto k = static_cast<std::size_t>(column);
    QJsonObject report{
        {QStringLiteral("numeric"), static_cast<bool>(ds.Layout.ColumnIsNumeric[k])},
        {QStringLiteral("name"), displayString(ds.Layout.ColumnNames[k], ds.File.FileIsUtf8)},
        {QStringLiteral("label"), displayString(ds.Layout.ColumnLabels[k], ds.File.FileIsUtf8)},
        {QStringLiteral("header3"), displayString(ds.Layout.ColumnHeader3[k], ds.File.FileIsUtf8)},
    };
    if (column <= 10) { // statistics are kept for the ten columns the chart can show
        report.insert(QStringLiteral("min"), ds.Table.ColumnMin[k]);
        report.insert(QStringLiteral("max"), ds.Table.ColumnMax[k]);
        report.insert(QStringLiteral("absmax"), ds.Table.ColumnAbsMax[k]);
        report.insert(QStringLiteral("min_text"), QString::fromStdString(formatGeneral(
                                                      ds.Table.ColumnMin[k], ds.Settings.DecimalSeparator)));
        report.insert(QStringLiteral("max_text"), QString::fromStdString(formatGeneral(
                                                      ds.Table.ColumnMax[k], ds.Settings.DecimalSeparator)));
    }
    return report;
}

// Everything but the cells.
QJsonObject loadReport(const DataSet& ds, const LoadOutcome& outcome) {
    QJsonArray messages;
    for (const std::string& message : outcome.messages) messages.append(QString::fromStdString(message));
    QJsonObject headerLines;
    for (std::size_t i = 1; i <= 20; ++i)
        if (!ds.Layout.HeaderLines[i].empty())
            headerLines.insert(QString::number(i),
                               displayString(ds.Layout.HeaderLines[i], ds.File.FileIsUtf8));
    QJsonArray columns;
    for (int j = 1; j <= ds.Layout.ColumnCount; ++j) columns.append(columnReport(ds, j));
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
    };
}

// Appends UTF-8 text as a JSON string escaped the way QJsonDocument escapes it: quote, backslash
// and control characters; every other character as it is.
void appendJsonString(std::string& out, std::string_view utf8) {
    static constexpr char kHex[] = "0123456789abcdef";
    out.push_back('"');
    for (const char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && c != '"' && c != '\\') {
            out.push_back(c);
            continue;
        }
        out.push_back('\\');
        switch (c) {
        case '"': out.push_back('"'); break;
        case '\\': out.push_back('\\'); break;
        case '\b': out.push_back('b'); break;
        case '\f': out.push_back('f'); break;
        case '\n': out.push_back('n'); break;
        case '\r': out.push_back('r'); break;
        case '\t': out.push_back('t'); break;
        default:
            out += "u00";
            out.push_back(kHex[u >> 4]);
            out.push_back(kHex[u & 0xf]);
        }
    }
    out.push_back('"');
}

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

void printReport(const DataSet& ds, const LoadOutcome& outcome, bool withCells) {
    QByteArray json = QJsonDocument(loadReport(ds, outcome)).toJson(QJsonDocument::Indented);
    if (!withCells) {
        std::fwrite(json.constData(), 1, static_cast<std::size_t>(json.size()), stdout);
        return;
    }
    // The cells follow the other members inside the same object: cut the document before its
    // closing brace, stream the cells, and close it again.
    json.truncate(json.lastIndexOf('}'));
    while (json.endsWith('\n')) json.chop(1);
    std::fwrite(json.constData(), 1, static_cast<std::size_t>(json.size()), stdout);
    writeCells(ds, stdout);
    std::fputs("\n}\n", stdout);
}

} // namespace

int runInspect(const QStringList& arguments) {
    const CommandSyntax syntax{"inspect", "[--delimiter D] [--decimal C] [--cells] FILE",
                               "Prints what loading FILE found, as JSON.", {QStringLiteral("FILE")}};
    QCommandLineParser parser;
    addCommonOptions(parser);
    parser.addOption({QStringLiteral("cells"), QStringLiteral("Adds every cell's text, row by row.")});
    if (const std::optional<int> status = parseCommandLine(parser, syntax, arguments)) return *status;
    const std::optional<LoadOptions> options = loadOptionsOf(parser, syntax);
    if (!options) return kExitUsage;

    DataSet ds;
    LoadOutcome outcome;
    const int status = loadForCommand(ds, *options, QFile::encodeName(parser.positionalArguments().at(0)).toStdString(), outcome);
    if (status == kExitUsage) return status;
    printReport(ds, outcome, parser.isSet(QStringLiteral("cells")));
    return status;
}

} // namespace varnotile::cli
