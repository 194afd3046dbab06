// Real data files made by other programs, each with the table a careful reader takes from it
// (tests/data/real/expected.tsv): the detector's proposal must read them that way.
#include "data_writer.h"
#include "loader.h"
#include "reading_advice.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

using namespace varnotile;

namespace {

struct Expected {
    std::string file, numeric, names, needs;
    int rows = 0, columns = 0;
};

std::vector<std::string> splitAt(const std::string& line, char c) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(line);
    while (std::getline(in, part, c)) parts.push_back(part);
    if (!line.empty() && line.back() == c) parts.emplace_back();
    return parts;
}

std::vector<Expected> expectedTables() {
    std::ifstream in(std::string(VARNOTILE_REAL_FILES) + "/expected.tsv");
    std::vector<Expected> all;
    std::string line;
    std::getline(in, line); // column titles
    while (std::getline(in, line)) {
        const auto f = splitAt(line, '\t');
        if (f.size() < 6) continue;
        all.push_back({f[0], f[3], f[4], f[5], std::stoi(f[1]), std::stoi(f[2])});
    }
    return all;
}

std::string trimmed(std::string_view s) {
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string_view::npos) return {};
    return std::string(s.substr(b, s.find_last_not_of(" \t") - b + 1));
}

// "" when the loaded table is the expected one, else what differs.
std::string differences(const DataSet& ds, const Expected& e) {
    std::ostringstream d;
    // More than ten fields: the reader means the first ten.
    const int columns = std::min(ds.Layout.ColumnCount - (ds.Layout.ExtraColumnFound ? 1 : 0), 10);
    if (ds.Layout.DataRowCount != e.rows) d << " rows " << ds.Layout.DataRowCount << "≠" << e.rows;
    if (columns != e.columns) d << " columns " << columns << "≠" << e.columns;
    std::string numeric, names;
    for (int k = 1; k <= columns && k <= 10; ++k) {
        numeric += ds.Layout.ColumnTime[k] != TimeKind::None ? 'D' : ds.Layout.ColumnIsNumeric[k] ? 'N' : 'T';
        if (ds.Layout.HeaderLineCount > 0) names += (k > 1 ? "|" : "") + trimmed(ds.Layout.ColumnNames[k]);
    }
    if (numeric != e.numeric) d << " numeric " << numeric << "≠" << e.numeric;
    if (names != e.names) d << " names [" << names << "]≠[" << e.names << "]";
    return d.str();
}

} // namespace

TEST(RealFiles, TheProposalReadsEachFileAsACarefulReaderDoes) {
    const auto tables = expectedTables();
    ASSERT_GE(tables.size(), 100u);
    int plainRight = 0, proposalRight = 0;
    std::ostringstream misses;
    for (const Expected& e : tables) {
        DataSet plain;
        plain.File.CurrentFileName = std::string(VARNOTILE_REAL_FILES) + "/" + e.file;
        LoadDataFile(plain);
        plainRight += differences(plain, e).empty();

        DataSet ds;
        ds.File.CurrentFileName = plain.File.CurrentFileName;
        LoadDataFile(ds, true);
        const std::string diff = differences(ds, e);
        if (diff.empty())
            ++proposalRight;
        else
            misses << "  " << e.file << " (" << e.needs << "):" << diff << "\n";
    }
    std::cout << "real files: " << tables.size() << ", right by default " << plainRight << ", right as proposed "
              << proposalRight << "\n"
              << misses.str();
    EXPECT_GE(proposalRight * 10, static_cast<int>(tables.size()) * 9) << misses.str();
}

// Saved unchanged with the options it was read with, each file reads back as the same table.
TEST(RealFiles, SavedWithTheirOptionsTheyReadBackTheSame) {
    test::TempDir dir;
    auto table = [](const DataSet& ds) {
        std::string t;
        for (int h = 1; h <= ds.Layout.HeaderLineCount; ++h)
            for (int k = 1; k <= ds.Layout.ColumnCount; ++k)
                t += (h == 1 ? ds.Layout.ColumnNames : h == 2 ? ds.Layout.ColumnLabels : ds.Layout.ColumnHeader3)[k] + "|";
        t += "\n";
        for (int r = 1; r <= ds.Layout.DataRowCount; ++r) {
            for (int k = 1; k <= ds.Layout.ColumnCount; ++k) t.append(ds.Table.Cells.cell(k, r)).append("|");
            t += "\n";
        }
        return t;
    };
    for (const Expected& e : expectedTables()) {
        DataSet ds;
        ds.File.CurrentFileName = std::string(VARNOTILE_REAL_FILES) + "/" + e.file;
        LoadDataFile(ds, true);
        const std::string saved = dir.path() + "/" + e.file;
        ASSERT_EQ(SaveDataFile(ds, saved, false), "") << e.file;
        DataSet back;
        back.File.CurrentFileName = saved;
        back.Layout.ListSeparator = ds.Layout.ListSeparator;
        back.Layout.Reading = ds.Layout.Reading;
        LoadDataFile(back);
        EXPECT_EQ(table(back), table(ds)) << e.file;
        EXPECT_EQ(back.Table.Cells.skippedLines().size(), ds.Table.Cells.skippedLines().size()) << e.file;
    }
}
