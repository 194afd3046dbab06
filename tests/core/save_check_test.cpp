// A save is read back before it replaces the file: what the read-back finds and how it says it,
// saving into devices and pipes, and a seeded round trip over random files read with every
// reading option and edited: the saved file reads as the table, or the difference is reported.
#include "cell_editing.h"
#include "data_writer.h"
#include "deletion.h"
#include "loader.h"
#include "checked_save.h"
#include "save_check.h"
#include "save_file.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace varnotile;
using varnotile::test::readFile;
using varnotile::test::TempDir;

namespace {

void loadText(DataSet& ds, const TempDir& dir, const std::string& bytes) {
    ds.File.CurrentFileName = dir.write("in.csv", bytes);
    ASSERT_EQ(LoadDataFile(ds).status, LoadOutcome::Status::Loaded);
}

} // namespace

TEST(SaveCheck, NamesTheFirstDifferenceAndWhatItWouldBecome) {
    const std::string kData = "Time,Force\n0,1.5\n1,2.5\n2,3.5\n3,4.5\n4,5.5\n5,6.5\n";
    const std::string kThree = "Time,Force,Pos\n0,1.5,7\n1,2.5,7\n2,3.5,7\n3,4.5,7\n4,5.5,7\n";
    struct Case {
        const char* what;
        const std::string& file;
        std::function<void(DataSet&)> change;
        const char* sentence; // empty: reads back as the table
    } cases[] = {
        {"unchanged", kData, [](DataSet&) {}, ""},
        {"a deleted column", kThree, [](DataSet& ds) { DeleteColumn(ds, 2, 0); }, ""},
        {"one column left", kData, [](DataSet& ds) { DeleteColumn(ds, 1, 0); },
         "The column names would read back as free header text; the saved file would read differently (first: row 0, "
         "column 2 \"Force\")."},
        {"a comment cell", kData,
         [](DataSet& ds) {
             ds.Layout.Reading.commentLines = true;
             ds.Table.Cells.setCell(1, 3, "#a1");
         },
         "Row 3 would not read back as a data row; the saved file would read differently (first: row 3, column 1 "
         "\"#a1\")."},
        {"an empty first cell with whitespace reading", kData,
         [](DataSet& ds) {
             ds.Layout.Reading.whitespace = true;
             ds.Table.Cells.setCell(1, 4, "");
         },
         "Row 4 would read back as header text; the saved file would read differently (first: row 4, column 1 \"\")."},
        {"a line break", kData, [](DataSet& ds) { ds.Table.Cells.setCell(2, 4, "7\n8"); },
         "Row 4 would read back as more than one row; the saved file would read differently (first: row 4, "
         "column 2 \"7\\n8\")."},
        {"a name holding the delimiter", kData, [](DataSet& ds) { ds.Layout.ColumnNames[2] = "F,N"; },
         "The name of column 2 would read back as \"F\"; the saved file would read differently (first: row 0, "
         "column 2 \"F,N\")."},
        {"blanks around a cell with whitespace reading", kData,
         [](DataSet& ds) {
             ds.Layout.Reading.whitespace = true;
             ds.Table.Cells.setCell(2, 5, "4 ");
         },
         "A cell would read back as \"4\"; the saved file would read differently (first: row 5, column 2 \"4 \")."},
        {"a number column made text by its last cell", kData, [](DataSet& ds) { ds.Table.Cells.setCell(2, 6, "n/a"); },
         "Column 2 would read back as text, not numbers; the saved file would read differently (first: row 1, column 2 "
         "\"1.5\")."},
        {"too few rows left", kData, [](DataSet& ds) { DeleteRows(ds, 1, 3); },
         "The table would read back as too few data; the saved file would read differently (first: row 1, column 1 "
         "\"3\")."},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DataSet ds;
        loadText(ds, dir, c.file);
        c.change(ds);
        const ReadBackDifference found = CompareReadBack(ds, DataFileText(ds));
        EXPECT_EQ(found.found, *c.sentence != '\0');
        if (found.found) EXPECT_EQ(ReadBackSentence(found), c.sentence);
    }
}

TEST(SaveCheck, DevicesAndPipesAreWrittenIntoNotReplaced) {
    TempDir dir;
    DataSet ds;
    std::string bytes = "t,U\n";
    for (int r = 0; r < 100000; ++r) bytes += std::to_string(r) + ",1.5\n"; // more than one buffer
    loadText(ds, dir, bytes);
    const std::string pipe = dir.path() + "/pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = readFile(pipe); });
    const CheckedSave saved = SaveDataFileChecked(ds, pipe, true, false);
    reader.join();
    EXPECT_EQ(saved.error, "");
    EXPECT_FALSE(saved.difference.found);
    EXPECT_EQ(received, DataFileText(ds));
    struct stat st {};
    ASSERT_EQ(::stat(pipe.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(SaveDataFileChecked(ds, "/dev/null", true, false).error, "");
    ASSERT_EQ(::stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    // Nothing was left beside the pipe and the file read.
    const auto entries = std::filesystem::directory_iterator(dir.path());
    EXPECT_EQ(std::distance(std::filesystem::begin(entries), std::filesystem::end(entries)), 2);
}

TEST(SaveCheck, ALargeSaveReadBackPieceByPieceFindsWhatTheWholeTextGives) {
    TempDir dir;
    DataSet ds;
    std::string bytes = "t,U\n";
    for (int r = 0; r < 60000; ++r) bytes += std::to_string(r) + ",1.5\n"; // many pieces of the writer
    loadText(ds, dir, bytes);
    const std::string out = dir.path() + "/out.csv";
    EXPECT_FALSE(SaveDataFileChecked(ds, out, false, false).difference.found);
    // A lone CR is dropped by the reading, far down the file.
    ds.Table.Cells.setCell(2, 50000, "1\r5");
    const CheckedSave saved = SaveDataFileChecked(ds, out, false, false);
    const ReadBackDifference whole = CompareReadBack(ds, DataFileText(ds));
    ASSERT_TRUE(whole.found);
    EXPECT_EQ(ReadBackSentence(saved.difference), ReadBackSentence(whole));
    EXPECT_EQ(readFile(out), DataFileText(ds).replace(DataFileText(ds).find("1\r5"), 3, "1.5"));
}

// ---- the round trip

namespace {

class RandomFile {
public:
    explicit RandomFile(uint32_t seed) : rng_(seed) {}

    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    bool chance(int percent) { return pick(1, 100) <= percent; }

    std::string number(char decimal) {
        std::string s = chance(20) ? "-" : "";
        s += std::to_string(pick(0, 999));
        if (chance(50)) s += decimal + std::to_string(pick(0, 99));
        return s;
    }
    // Any text a file or an edit may hold: delimiters, quotes, comment marks, blanks, tokens.
    std::string text(char delimiter) {
        static const char* const kPieces[] = {"a", "Bx", " ", "\t", "\"", "#", "NA", "-", "?", ";", ",", "1", "2.5",
                                              "x y", "\xC3\xA9", "//", "\"q\"", "'q'", " # c", "\\", "-9999",
                                              "2026-11-14 08:00:10", "14.11.2026", "08:00:10.5", "&"};
        constexpr int kLastPiece = static_cast<int>(std::size(kPieces)) - 1;
        if (chance(10)) return {};
        std::string s;
        for (int i = pick(1, 3); i > 0; --i) s += chance(10) ? std::string(1, delimiter) : kPieces[pick(0, kLastPiece)];
        return s;
    }
    std::string cell(char delimiter, char decimal) { return chance(70) ? number(decimal) : text(delimiter); }

    std::string line(char delimiter, char decimal, int fields, bool numeric) {
        std::string out;
        for (int j = 1; j <= fields; ++j) {
            std::string c = numeric ? (chance(90) ? number(decimal) : cell(delimiter, decimal)) : text(delimiter);
            if (chance(5)) c = "\"" + c + "\"";
            out += c;
            if (j < fields) out += delimiter == ' ' && chance(20) ? std::string("  ") : std::string(1, delimiter);
        }
        return out;
    }

    // A logger's time stamp, in one of the forms time columns take.
    std::string stamp() {
        char text[40];
        const int day = pick(1, 28), minute = pick(0, 59), second = pick(0, 59);
        switch (pick(0, 2)) {
        case 0: std::snprintf(text, sizeof text, "2026-11-%02dT08:%02d:%02d", day, minute, second); break;
        case 1: std::snprintf(text, sizeof text, "%02d.11.2026 08:%02d", day, minute); break;
        default: std::snprintf(text, sizeof text, "08:%02d:%02d.5", minute, second); break;
        }
        return text;
    }

    std::string file(char delimiter, char decimal) {
        const int columns = pick(1, 12);
        const bool times = columns > 1 && chance(20);
        std::string out = chance(5) ? "\xEF\xBB\xBF" : "";
        auto end = [&] { out += chance(80) ? "\r\n" : "\n"; };
        for (int i = pick(0, 2); i > 0; --i) {
            out += chance(30) ? "# " + text(delimiter) : text(delimiter);
            end();
        }
        for (int h = pick(0, 3); h > 0; --h) {
            out += line(delimiter, decimal, columns, false);
            end();
        }
        for (int r = pick(3, 30); r > 0; --r) {
            if (chance(5)) out += chance(50) ? "" : "# note";
            else if (times) out += stamp() + delimiter + line(delimiter, decimal, chance(10) ? pick(1, 12) : columns - 1, true);
            else out += line(delimiter, decimal, chance(10) ? pick(1, 13) : columns, true);
            end();
        }
        return out;
    }

    ReadOptions options() {
        ReadOptions o;
        o.whitespace = chance(25);
        o.decimal = static_cast<DecimalChoice>(pick(0, 2));
        o.quotedTexts = chance(40);
        o.commentLines = chance(40);
        if (chance(30)) o.commentPrefix = "//";
        o.missingAsGaps = chance(30);
        o.robustSample = chance(30);
        o.datesAndTimes = chance(25);
        o.dayFirst = chance(50);
        o.namesAboveData = chance(20);
        o.singleQuotedNames = chance(20);
        o.continuedLines = chance(20);
        o.wideFiles = chance(20);
        o.namesInComment = chance(20);
        o.table = chance(15) ? pick(1, 2) : 0;
        return o;
    }

    // Edits as the window makes them: cells, names, deleted rows and columns, a new delimiter.
    void edit(DataSet& ds, char delimiter) {
        const int rows = ds.Layout.DataRowCount, columns = ds.Layout.ColumnCount;
        for (int n = pick(0, 3); n > 0 && rows > 0; --n) {
            const int c = pick(1, columns), r = pick(1, rows);
            std::string t = chance(50) ? text(delimiter) : number('.');
            if (chance(10)) t += "\n2";
            if (c <= ds.Table.Cells.columnCount()) ds.Table.Cells.setCell(c, r, t);
        }
        if (chance(10)) ds.Layout.ColumnNames[static_cast<std::size_t>(pick(1, columns))] = text(delimiter);
        if (chance(10) && columns > 1) DeleteColumn(ds, pick(1, columns), 0);
        if (chance(10) && rows > 2) DeleteRows(ds, 1, pick(1, rows / 2));
        if (chance(10)) {
            static const char* const kDelimiters[] = {",", ";", "\t", " "};
            ds.Layout.Reading.whitespace = false;
            ds.Layout.ListSeparator = kDelimiters[pick(0, 3)];
        }
    }

private:
    std::mt19937 rng_;
};

// The plain definition of reading back as the table, kept apart from the comparison under test.
bool sameTable(const DataSet& saved, const DataSet& back, bool refused) {
    std::vector<int> present;
    for (int j = 1; j <= saved.Layout.ColumnCount; ++j)
        if (saved.Layout.ColumnPresent[static_cast<std::size_t>(j)]) present.push_back(j);
    if (refused) return saved.Layout.DataRowCount == 0;
    auto freeLines = [](const DataSet& ds) {
        std::vector<std::string> lines;
        for (std::size_t i = 1; i <= 20; ++i)
            if (!ds.Layout.HeaderLines[i].empty()) lines.push_back(ds.Layout.HeaderLines[i]);
        for (const std::string& line : ds.Layout.LongPreamble)
            if (!line.empty()) lines.push_back(line);
        return lines;
    };
    const int named = std::min(saved.Layout.HeaderLineCount, 3);
    if (back.Layout.ColumnCount != static_cast<int>(present.size()) || freeLines(saved) != freeLines(back) ||
        std::min(back.Layout.HeaderLineCount, 3) != named || back.Layout.DataRowCount != saved.Layout.DataRowCount)
        return false;
    const StringSlots* texts[] = {&saved.Layout.ColumnNames, &saved.Layout.ColumnLabels, &saved.Layout.ColumnHeader3};
    const StringSlots* backTexts[] = {&back.Layout.ColumnNames, &back.Layout.ColumnLabels, &back.Layout.ColumnHeader3};
    for (std::size_t k = 0; k < present.size(); ++k) {
        const auto j = static_cast<std::size_t>(present[k]);
        if (saved.Layout.ColumnIsNumeric[j] != back.Layout.ColumnIsNumeric[k + 1] ||
            saved.Layout.ColumnTime[j] != back.Layout.ColumnTime[k + 1])
            return false;
        for (int h = 0; h < named; ++h)
            if ((*texts[h])[static_cast<std::size_t>(present[k])] != (*backTexts[h])[k + 1]) return false;
        for (int r = 1; r <= saved.Layout.DataRowCount; ++r)
            if (saved.Table.Cells.cell(present[k], r) != back.Table.Cells.cell(static_cast<int>(k) + 1, r)) return false;
    }
    return true;
}

} // namespace

TEST(SaveCheck, RandomFilesReadBackAsTheTableOrTheDifferenceIsReported) {
    TempDir dir;
    RandomFile maker(20261208);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(40);
    int saved = 0, refused = 0;
    for (int n = 0; n < 600 && std::chrono::steady_clock::now() < deadline; ++n) {
        SCOPED_TRACE("file " + std::to_string(n));
        static const char kDelimiters[] = {',', ';', '\t', ' '};
        const char delimiter = kDelimiters[maker.pick(0, 3)];
        const ReadOptions options = maker.options();
        const char decimal = decimalFor(options, '.');
        DataSet ds;
        ds.Layout.ListSeparator.assign(1, delimiter);
        ds.Layout.Reading = options;
        ds.File.CurrentFileName = dir.write("in.csv", maker.file(delimiter, decimal));
        if (LoadDataFile(ds).status != LoadOutcome::Status::Loaded) continue;
        maker.edit(ds, delimiter);

        const std::string out = dir.path() + "/out.csv";
        std::filesystem::remove(out);
        const CheckedSave save = SaveDataFileChecked(ds, out, false, false);
        ASSERT_EQ(save.error, "");
        // A difference leaves the target alone; the bytes are then put there for the reading below.
        ASSERT_EQ(std::filesystem::exists(out), !save.difference.found);
        if (save.difference.found) ASSERT_EQ(saveBytes(out, DataFileText(ds)), "");
        ASSERT_EQ(readFile(out), DataFileText(ds));
        DataSet back;
        back.Layout.ListSeparator = ds.Layout.ListSeparator;
        back.Layout.Reading = ds.Layout.Reading;
        back.File.CurrentFileName = out;
        const bool backRefused = LoadDataFile(back).status != LoadOutcome::Status::Loaded;
        const bool same = sameTable(ds, back, backRefused);
        ASSERT_EQ(save.difference.found, !same) << ReadBackSentence(save.difference) << "\n" << DataFileText(ds);
        if (save.difference.found) {
            ++refused;
            EXPECT_GE(save.difference.row, 0);
            EXPECT_GE(save.difference.column, 0);
        } else {
            ++saved;
        }
    }
    // Both outcomes are exercised.
    EXPECT_GT(saved, 50);
    EXPECT_GT(refused, 50);
}
