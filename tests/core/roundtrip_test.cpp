// Loading a file and saving it unchanged with the same delimiter gives back the same bytes, for
// every file the writer's format can express. That set, as the generator below builds it:
//  - every line ends with CR LF, the last one included, and no line holds CR, LF or byte 26;
//  - the delimiter is comma, semicolon or tab, and no cell contains it;
//  - 1 to 10 columns; every named header line and every data line has exactly that many fields,
//    and its last field ends in a character that is neither a blank nor the delimiter (so the
//    trimming of the layout rules counts every field);
//  - with two or more columns: up to three free header text lines of one field each on top,
//    then up to three named header lines without a numeric field, then data lines whose first
//    line holds a number (so that no line is passed over by the header detection);
//  - with one column: free header lines that are not numbers, then data lines starting with a
//    number;
//  - at least five lines. Cells take any other byte, non-ASCII and NUL included.
#include "checked_save.h"
#include "data_writer.h"
#include "loader.h"
#include "number_text.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace varnotile;
using varnotile::test::readFile;
using varnotile::test::TempDir;

namespace {

class FileMaker {
public:
    explicit FileMaker(uint32_t seed) : rng_(seed) {}

    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    bool chance(int percent) { return pick(1, 100) <= percent; }

    std::string number() {
        std::string s;
        do {
            s.clear();
            if (chance(30)) s += chance(80) ? "-" : "+";
            const int digits = pick(1, 18);
            for (int i = 0; i < digits; ++i) s += static_cast<char>('0' + pick(0, 9));
            if (chance(50)) {
                s += '.';
                for (int i = pick(0, 6); i > 0; --i) s += static_cast<char>('0' + pick(0, 9));
            }
            if (chance(15)) s += (chance(50) ? "E" : "e") + std::to_string(pick(-320, 320));
        } while (!IsNumericText(s, '.'));
        return s;
    }

    // Any bytes but CR, LF, byte 26 and the delimiter; never a number. `last`: not empty, and
    // ending in something other than a blank.
    std::string text(char delimiter, bool last) {
        std::string s;
        do {
            s.clear();
            for (int i = pick(last ? 1 : 0, 8); i > 0; --i) {
                int c = chance(30) ? pick(0x80, 0xFF) : chance(5) ? 0 : pick(0x20, 0x7E);
                if (c == '\r' || c == '\n' || c == 26 || c == static_cast<unsigned char>(delimiter)) c = 'x';
                s += static_cast<char>(c);
            }
            if (last && (s.back() == ' ' || s.back() == '\t')) s.back() = 'z';
        } while (IsNumericText(s, '.'));
        return s;
    }

    std::string cell(char delimiter, bool last) { return chance(60) ? number() : text(delimiter, last); }

    std::string file(char& delimiter) {
        static const char kDelimiters[] = {',', ';', '\t'};
        delimiter = kDelimiters[pick(0, 2)];
        const int columns = chance(10) ? 1 : pick(2, 10);
        std::string out;
        int lines = 0;
        auto endLine = [&] {
            out += "\r\n";
            ++lines;
        };
        if (chance(10)) out += "\xEF\xBB\xBF";
        for (int i = pick(0, 3); i > 0; --i) {
            out += text(delimiter, true);
            endLine();
        }
        if (columns > 1) {
            for (int h = pick(0, 3); h > 0; --h) {
                for (int j = 1; j <= columns; ++j) {
                    out += text(delimiter, j == columns);
                    if (j < columns) out += delimiter;
                }
                endLine();
            }
        }
        const int rows = pick(5, 60);
        for (int r = 1; r <= rows; ++r) {
            for (int j = 1; j <= columns; ++j) {
                out += (r == 1 && j == 1) ? number() : cell(delimiter, j == columns);
                if (j < columns) out += delimiter;
            }
            endLine();
        }
        return out;
    }

private:
    std::mt19937 rng_;
};

} // namespace

TEST(RoundTrip, LoadAndSaveUnchangedGivesTheSameBytes) {
    TempDir dir;
    FileMaker maker(20261207);
    for (int n = 0; n < 400; ++n) {
        char delimiter = ',';
        const std::string bytes = maker.file(delimiter);
        DataSet ds;
        ds.Layout.ListSeparator.assign(1, delimiter);
        ds.File.CurrentFileName = dir.write("in.csv", bytes);
        const LoadOutcome outcome = LoadDataFile(ds);
        ASSERT_EQ(outcome.status, LoadOutcome::Status::Loaded) << "file " << n;
        EXPECT_TRUE(outcome.messages.empty()) << "file " << n;
        EXPECT_FALSE(ds.Layout.ExtraColumnFound) << "file " << n;
        ASSERT_EQ(DataFileText(ds), bytes) << "file " << n;
        const std::string saved = dir.path() + "/out.csv";
        ASSERT_EQ(SaveDataFile(ds, saved, false), "") << "file " << n;
        ASSERT_EQ(readFile(saved), bytes) << "file " << n;
    }
}

// ---- files read with options or passed over in part: write, read back, same table

namespace {

// What a reader sees of a loaded table: the same after a save and a new load.
std::string tableOf(const DataSet& ds) {
    std::string t = std::to_string(ds.Layout.ColumnCount) + " columns, " + std::to_string(ds.Layout.DataRowCount) +
                    " rows\nkinds:";
    for (int j = 1; j <= ds.Layout.ColumnCount; ++j)
        if (ds.Layout.ColumnPresent[j])
            t += " " + std::to_string(static_cast<int>(ds.Layout.ColumnTime[j])) + (ds.Layout.ColumnIsNumeric[j] ? "n" : "t");
    t += "\n";
    for (int i = 1; i <= 20; ++i)
        if (!ds.Layout.HeaderLines[i].empty()) t += "free: " + ds.Layout.HeaderLines[i] + "\n";
    for (const std::string& line : ds.Layout.LongPreamble) t += "free: " + line + "\n";
    const StringSlots* headers[] = {&ds.Layout.ColumnNames, &ds.Layout.ColumnLabels, &ds.Layout.ColumnHeader3};
    for (int h = 0; h < ds.Layout.HeaderLineCount; ++h) {
        t += "header:";
        for (int j = 1; j <= ds.Layout.ColumnCount; ++j)
            if (ds.Layout.ColumnPresent[j]) t += "|" + (*headers[h])[j];
        t += "\n";
    }
    for (int r = 1; r <= ds.Layout.DataRowCount; ++r) {
        for (int j = 1; j <= ds.Layout.ColumnCount; ++j)
            if (ds.Layout.ColumnPresent[j]) t += "|" + std::string(ds.Table.Cells.cell(j, r));
        t += "\n";
    }
    return t;
}

std::string rowsOf(int count, const std::string& row) {
    std::string s;
    for (int r = 0; r < count; ++r) s += row;
    return s;
}

struct SaveCase {
    const char* what;
    std::string bytes;
    std::string delimiter;
    void (*options)(ReadOptions&);
    int rows; // as read first
    // A change before the save, or nullptr.
    void (*edit)(DataSet&) = nullptr;
};

void quotes(ReadOptions& o) { o.quotedTexts = true; }
void quotesComments(ReadOptions& o) { o.quotedTexts = o.commentLines = true; }
void whitespaceQuotes(ReadOptions& o) { o.whitespace = o.quotedTexts = true; }
void whitespace(ReadOptions& o) { o.whitespace = true; }
void whitespaceComments(ReadOptions& o) { o.whitespace = o.commentLines = true; }
void comments(ReadOptions& o) { o.commentLines = true; }
void missing(ReadOptions& o) { o.missingAsGaps = true; }
void plain(ReadOptions&) {}
void wide(ReadOptions& o) { o.quotedTexts = o.commentLines = o.missingAsGaps = o.robustSample = true; }

void secondTable(ReadOptions& o) { o.table = 2; }
void firstTableContinued(ReadOptions& o) { o.continuedLines = true, o.table = 1; }

std::string twoTables() {
    return "x,y,z\n" + rowsOf(4, "1,2,3\n") + "\nt,u,w\n" + rowsOf(5, "1.5,2,8\n");
}
// A record continued over two lines ends the first table's lines: it is trailer text there.
std::string continuedPastTheTable() {
    return "a,b,c\n" + rowsOf(4, "1,2,3\n") + "n0,n1\n18,\\\n79\n34,\\\n58\n1,2\n3,4\n";
}

std::string wideFile() {
    std::string s = "# logger export\n\"id\",c2,c3,c4,c5,c6,c7,c8,c9,c10,c11,c12\n";
    for (int r = 1; r <= 210; ++r) {
        s += std::to_string(r) + (r % 7 == 0 ? ",NA" : ",1.5") + ",2,3,,5,6,7,8,9,\"a, b\",x" + "\n";
        if (r % 50 == 0) s += "# block end\n\n";
    }
    return s + "end of file\n";
}

} // namespace

TEST(RoundTrip, SavedFilesReadBackAsTheSameTable) {
    const SaveCase cases[] = {
        {"a cell starting with the comment prefix", "a,b\n\"# x\",3\n1,2\n3,4\n5,6\n", ",", quotesComments, 4},
        {"a comment prefix typed into a cell", "t,u,v\n1,0,1.5\n2,0,2.5\n3,0,3.5\n4,0,4.5\n", ",", quotesComments, 4,
         [](DataSet& ds) { ds.Table.Cells.setCell(1, 1, "#a1"); }},
        {"an empty cell between blanks", "a b\n\"\" 3\n1 2\n3 4\n5 6\n", ",", whitespaceQuotes, 4},
        {"an empty name between blanks", "\"\" b\n0 3\n1 2\n3 4\n5 6\n", ",", whitespaceQuotes, 4,
         [](DataSet& ds) { ds.Layout.ColumnNames[2] = "c"; }},
        {"names from a short line", "Logger 7\nSite A\n1,2,3\nx,y\n5,6,7\n8,9,10\n", ",", quotes, 2},
        {"renamed names from a short line", "Logger 7\nSite A\n1,2,3\nx,y\n5,6,7\n8,9,10\n", ",", quotes, 2,
         [](DataSet& ds) { ds.Layout.ColumnNames[3] = "z"; }},
        {"renamed names in a comment", "# time temp\n1 2\n3 4\n5 6\n7 8\n", ",", whitespaceComments, 4,
         [](DataSet& ds) { ds.Layout.ColumnNames[2] = "heat"; }},
        {"renamed names in a comment, a comment after them", "# time temp # s, C\n1 2\n3 4\n5 6\n7 8\n", ",",
         whitespaceComments, 4, [](DataSet& ds) { ds.Layout.ColumnNames[2] = "heat"; }},
        {"renamed names in a comment, commas", "# time,temp\n1,2\n3,4\n5,6\n7,8\n", ",", comments, 4,
         [](DataSet& ds) { ds.Layout.ColumnNames[2] = "heat"; }},
        {"renamed names after a label", "Data:,y,x\n1,2\n3,4\n5,6\n7,8\n", ",", quotes, 4,
         [](DataSet& ds) { ds.Layout.ColumnNames[2] = "z"; }},
        {"a blank line in the header", "title\n0,5\n\nt,v\n1,2\n3,4\n5,6\n", ",", quotes, 3},
        {"a blank line in the header, plain", "title\n0,5\n\nt,v\n1,2\n3,4\n5,6\n", ",", plain, 3},
        {"rows shorter than a header line", "a\nb\nc\nnote: ok\n1    2    3\n", ",", whitespace, 1},
        {"an edited row shorter than a header line", "a\nb\nc\nnote: ok\n1    2    3\n", ",", whitespace, 1,
         [](DataSet& ds) { ds.Table.Cells.setCell(1, 1, "4"); }},
        {"a row emptied", "v\n1\n2\n3\n4\n5\n", ",", quotesComments, 5,
         [](DataSet& ds) { ds.Table.Cells.setCell(1, 2, ""); }},
        {"rows of missing values", "a b\n1 2\n  \n3 4\n  \n5 6\n", " ", missing, 5},
        {"a row of missing values typed in", "a b\n1 2\n3 4\n5 6\n7 8\n9 10\n", " ", missing, 5,
         [](DataSet& ds) { ds.Table.Cells.setCell(1, 2, ""), ds.Table.Cells.setCell(2, 2, ""); }},
        {"a wide file with every option", wideFile(), ",", wide, 210},
        {"the same, converted", "date;a;b\n2000-01-01;1.5;2\n2000-01-02;2.5;4\n2000-01-03;;\n" +
             rowsOf(3, "2000-01-04;3.5;6\n"), ";", plain, 3, [](DataSet& ds) { ds.Layout.ListSeparator = ","; }},
        {"comments after the data, a row edited", "t,v\n1,2 # a, b\n3,4 #c\n5,6\n7,8\n", ",", comments, 4,
         [](DataSet& ds) { ds.Table.Cells.setCell(2, 1, "20"); }},
        {"a text holding the comment prefix after a blank", "t,v\n1,2\n3,4\n5,6\n7,8\n", ",", quotesComments, 4,
         [](DataSet& ds) { ds.Table.Cells.setCell(1, 1, "a #b"); }},
        {"one column and an extra one", "v\n1\n,2\n3\n4\n5\n", ",", plain, 5},
        {"one column and an extra one, edited", "v\n1\n,2\n3\n4\n5\n", ",", plain, 5,
         [](DataSet& ds) { ds.Table.Cells.setCell(1, 1, "7"); }},
        {"the second of two tables, converted", twoTables(), ",", secondTable, 5,
         [](DataSet& ds) { ds.Layout.ListSeparator = ";"; }},
        {"the first table, records continued past it", continuedPastTheTable(), ",", firstTableContinued, 4},
    };
    TempDir dir;
    for (const SaveCase& c : cases) {
        DataSet ds;
        ds.Layout.ListSeparator = c.delimiter;
        c.options(ds.Layout.Reading);
        ds.File.CurrentFileName = dir.write("in.csv", c.bytes);
        LoadDataFile(ds);
        ASSERT_EQ(ds.Layout.DataRowCount, c.rows) << c.what;
        if (c.edit) c.edit(ds);
        DataSet again;
        again.Layout.ListSeparator = ds.Layout.ListSeparator;
        again.Layout.Reading = ds.Layout.Reading;
        const std::string written = DataFileText(ds);
        again.File.CurrentFileName = dir.write("out.csv", written);
        LoadDataFile(again);
        EXPECT_EQ(tableOf(again), tableOf(ds)) << c.what << "\n" << written;
    }
}

// What is written itself, where the table above cannot see it: lines outside the table, fields
// past its columns, the shape of a rebuilt line.
TEST(RoundTrip, UnchangedLinesAndFieldsPastTheColumnsAreWrittenAsTheyStood) {
    struct Case {
        const char* what;
        std::string bytes;
        void (*options)(ReadOptions&);
        void (*edit)(DataSet&);
        std::string written; // empty: the input, with CR LF
    };
    const Case cases[] = {
        {"lines the header scan passes over", "date,a,b\n2000-01-01,1.5,2\n2000-01-02,2.5,4\n2000-01-03,,\n" +
             rowsOf(3, "2000-01-04,3.5,6\n"), plain, nullptr, ""},
        {"a wide file with every option", wideFile(), wide, nullptr, ""},
        {"records continued past the chosen table", continuedPastTheTable(), firstTableContinued, nullptr, ""},
        {"the other tables take the new delimiter", twoTables(), secondTable,
         [](DataSet& ds) { ds.Layout.ListSeparator = ";"; },
         "x;y;z\r\n" + rowsOf(4, "1;2;3\r\n") + "\r\nt;u;w\r\n" + rowsOf(5, "1.5;2;8\r\n")},
        {"fields past the eleventh", "n1,n2,n3,n4,n5,n6,n7,n8,n9,n10,n11,n12\n" + rowsOf(5, "1,2,3,4,5,6,7,8,9,10,k,l\n"),
         plain, [](DataSet& ds) {
             ds.Table.Cells.setCell(2, 1, "20");
             ds.Layout.ColumnNames[1] = "m1";
         },
         "m1,n2,n3,n4,n5,n6,n7,n8,n9,n10,n11,n12\r\n1,20,3,4,5,6,7,8,9,10,k,l\r\n" +
             rowsOf(4, "1,2,3,4,5,6,7,8,9,10,k,l\r\n")},
        {"an empty name between blanks", "\"\" b\n0 3\n1 2\n3 4\n5 6\n", whitespaceQuotes,
         [](DataSet& ds) { ds.Layout.ColumnNames[2] = "c"; }, "\"\" c\r\n0 3\r\n1 2\r\n3 4\r\n5 6\r\n"},
        {"renamed names from a short line", "Site A\n1,2,3\nx,y\n5,6,7\n8,9,10\n", quotes,
         [](DataSet& ds) { ds.Layout.ColumnNames[3] = "z"; }, "Site A\r\n1,2,3\r\nx,z\r\n5,6,7\r\n8,9,10\r\n"},
        {"renamed names keep the comment after them", "# time temp # s, C\n1 2\n3 4\n5 6\n7 8\n", whitespaceComments,
         [](DataSet& ds) { ds.Layout.ColumnNames[2] = "heat"; }, "# time heat # s, C\r\n1 2\r\n3 4\r\n5 6\r\n7 8\r\n"},
        {"an edited row keeps its comment after the data", "t v\n1 2.5 # (0,0,1)\n3 4 # x\n5 6\n7 8\n",
         whitespaceComments, [](DataSet& ds) { ds.Table.Cells.setCell(2, 1, "9"); },
         "t v\r\n1 9   # (0,0,1)\r\n3 4 # x\r\n5 6\r\n7 8\r\n"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        DataSet ds;
        c.options(ds.Layout.Reading);
        ds.File.CurrentFileName = dir.write("in.csv", c.bytes);
        LoadDataFile(ds);
        if (c.edit) c.edit(ds);
        std::string expected = c.written;
        if (expected.empty())
            for (const char ch : c.bytes) expected += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
        EXPECT_EQ(DataFileText(ds), expected) << c.what;
    }
}

// A file converted with the reading the proposal chose is read back as a load that takes the
// proposal reads it: what that load would show is the table, kinds included, or the save is
// refused.
TEST(RoundTrip, FilesConvertedWithTheProposalReadBackAsTheProposalReadsThem) {
    static const char* const kPieces[] = {"1", "2.5", "-3", "1,5", "x", "\"a b\"", "\"c;d\"", "NA", "", "# n", "'q'",
                                          "2026-11-14", "08:00:10", "14.11.2026 08:00", "\t", "  ", "&", "e-5"};
    static const char* const kDelimiters[] = {",", ";", "\t", " ", "|"};
    FileMaker maker(20261208);
    TempDir dir;
    int saved = 0;
    for (int n = 0; n < 300; ++n) {
        SCOPED_TRACE("file " + std::to_string(n));
        const std::string d = kDelimiters[maker.pick(0, 4)];
        const int columns = maker.pick(1, 6);
        std::string bytes;
        for (int i = maker.pick(0, 2); i > 0; --i) bytes += kPieces[maker.pick(0, 17)] + std::string("\n");
        for (int r = maker.pick(0, 30) + 4; r > 0; --r) {
            for (int j = 0; j < columns; ++j) {
                if (j > 0) bytes += d;
                bytes += maker.chance(80) ? std::to_string(maker.pick(0, 999)) + "." + std::to_string(maker.pick(0, 9))
                                          : kPieces[maker.pick(0, 17)];
            }
            bytes += maker.chance(5) ? "\n\n" : "\n";
        }
        DataSet ds;
        ds.File.CurrentFileName = dir.write("in.csv", bytes);
        if (LoadDataFile(ds, true).status != LoadOutcome::Status::Loaded) continue;
        const ReadingChoice written{ds.Layout.ListSeparator, ReadOptions{}};
        const std::string out = dir.path() + "/out.csv";
        const CheckedSave save = SaveDataFileChecked(ds, out, false, false, {}, nullptr, &written);
        ASSERT_EQ(save.error, "");
        if (save.difference.found) continue;
        ++saved;
        DataSet back;
        back.Layout.ListSeparator = written.delimiter;
        back.File.CurrentFileName = out;
        ASSERT_EQ(LoadDataFile(back, true).status, LoadOutcome::Status::Loaded);
        EXPECT_EQ(tableOf(back), tableOf(ds)) << bytes;
    }
    EXPECT_GT(saved, 150);
}
