// The data file writer: the written form (header lines, column rule, CR LF), delimiter
// conversion, byte-exact round trips, keeping the file date, and saves that fail without
// harming the file they were meant to replace.
#include "data_writer.h"
#include "loader.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <tuple>
#include <type_traits>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <csignal>
#include <unistd.h>

using namespace varnotile;
using varnotile::test::readFile;
using varnotile::test::TempDir;

namespace {

// The cell table points into the data set's own lines: a copied or moved data set would read
// another object's lines.
static_assert(!std::is_copy_constructible_v<DataSet> && !std::is_move_constructible_v<DataSet> &&
              !std::is_copy_assignable_v<DataSet> && !std::is_move_assignable_v<DataSet>);

std::string loadFile(DataSet& ds, const TempDir& dir, const std::string& name, const std::string& bytes,
                     const std::string& delimiter = ",") {
    ds.Layout.ListSeparator = delimiter;
    ds.File.CurrentFileName = dir.write(name, bytes);
    EXPECT_EQ(LoadDataFile(ds).status, LoadOutcome::Status::Loaded);
    return ds.File.CurrentFileName;
}

int64_t mtimeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_mtime) : -1;
}

std::size_t filesIn(const std::string& folder) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) ++n;
    return n;
}

const std::string kSemicolonFile = "Run 7 of the press\n"
                                   "Time;Force;Note\n"
                                   "s;kN;text\n"
                                   "0;1.5;start\n"
                                   "1;2.5;mid\n"
                                   "2;3.5;x\n"
                                   "3;4.5;end\n";

} // namespace

// ---- the written form

TEST(Writer, ConvertsTheDelimiterOfHeaderAndDataLinesAndEndsLinesWithCrLf) {
    TempDir dir;
    DataSet ds;
    loadFile(ds, dir, "press.csv", kSemicolonFile, ";");
    ASSERT_EQ(ds.Layout.HeaderLineCount, 2);
    ds.Layout.ListSeparator = ",";
    EXPECT_EQ(DataFileText(ds), "Run 7 of the press\r\nTime,Force,Note\r\ns,kN,text\r\n"
                                "0,1.5,start\r\n1,2.5,mid\r\n2,3.5,x\r\n3,4.5,end\r\n");
    ds.Layout.ListSeparator = "\t";
    EXPECT_EQ(DataFileText(ds).substr(0, 48), "Run 7 of the press\r\nTime\tForce\tNote\r\ns\tkN\ttext\r\n");
    // An empty delimiter joins the texts.
    ds.Layout.ListSeparator.clear();
    EXPECT_EQ(DataFileText(ds).substr(20, 15), "TimeForceNote\r\n");
}

TEST(Writer, DeletedColumnsLeaveNoFieldAndADeletedLastColumnLeavesATrailingDelimiter) {
    TempDir dir;
    DataSet ds;
    loadFile(ds, dir, "press.csv", kSemicolonFile, ";");
    ds.Layout.ColumnPresent[2] = false;
    EXPECT_EQ(DataFileText(ds), "Run 7 of the press\r\nTime;Note\r\ns;text\r\n0;start\r\n1;mid\r\n2;x\r\n3;end\r\n");
    ds.Layout.ColumnPresent[2] = true;
    ds.Layout.ColumnPresent[3] = false;
    EXPECT_EQ(DataFileText(ds), "Run 7 of the press\r\nTime;Force;\r\ns;kN;\r\n0;1.5;\r\n1;2.5;\r\n2;3.5;\r\n3;4.5;\r\n");
}

TEST(Writer, ExtraColumnIsWrittenAsAnOrdinaryLastColumn) {
    TempDir dir;
    DataSet ds;
    loadFile(ds, dir, "extra.csv", "1,2,3\n4,5,6\n7,8,9,note\n10,11,12\n13,14,15\n16,17,18\n");
    ASSERT_TRUE(ds.Layout.ExtraColumnFound);
    ASSERT_EQ(ds.Layout.ColumnCount, 4);
    // Unchanged lines go back as they stood; a changed one is rebuilt by the column rule.
    ds.Table.Cells.setCell(1, 2, "40");
    ds.Layout.ColumnPresent[2] = false;
    EXPECT_EQ(DataFileText(ds), "1,3,\r\n40,6,\r\n7,9,note\r\n10,12,\r\n13,15,\r\n16,18,\r\n");
    ds.Layout.ColumnPresent[2] = true;
    EXPECT_EQ(DataFileText(ds), "1,2,3\r\n40,5,6,\r\n7,8,9,note\r\n10,11,12\r\n13,14,15\r\n16,17,18\r\n");
}

TEST(Writer, FindsTheTextsTheOutputDelimiterOrALineBreakWouldSplit) {
    TempDir dir;
    DataSet ds;
    loadFile(ds, dir, "decimal.csv", "t;U;Note\n0;1,5;a\n1;2,5;b\n2;3;c\n3;4,5;d\n", ";");
    auto found = [&] {
        const SplitTexts s = FindSplitTexts(ds);
        return std::tuple(s.count, s.row, s.column);
    };
    // Read and written with the same delimiter: no file text can hold it.
    EXPECT_EQ(found(), std::tuple(0, 0, 0));
    ds.Table.Cells.setCell(3, 2, "x;y");
    EXPECT_EQ(found(), std::tuple(1, 2, 3));
    ds.Layout.ColumnNames[1] = "t\r";
    EXPECT_EQ(found(), std::tuple(2, 0, 1));
    EXPECT_EQ(SplitTextsSentence(FindSplitTexts(ds), ds),
              "2 texts contain the delimiter \";\" or a line break and would be split when the file is read again "
              "(first: row 0, column 1).");
    ds.Layout.ColumnNames[1] = "t";
    // Another delimiter: every cell counts, deleted columns do not.
    ds.Layout.ListSeparator = ",";
    EXPECT_EQ(found(), std::tuple(3, 1, 2));
    ds.Layout.ColumnPresent[2] = false;
    EXPECT_EQ(found(), std::tuple(0, 0, 0));
}

TEST(Writer, FindsTextsTheReadingOptionsWouldLoseWhenTheyCannotBeQuoted) {
    TempDir dir;
    DataSet ds;
    ds.Layout.Reading.whitespace = ds.Layout.Reading.commentLines = true;
    loadFile(ds, dir, "blanks.txt", "t u v\n1 0 1.5\n2 0 2.5\n3 0 3.5\n4 0 4.5\n");
    auto found = [&] {
        const SplitTexts s = FindSplitTexts(ds);
        return std::tuple(s.count, s.row, s.column, s.commentStart, s.lostEmpty);
    };
    ds.Table.Cells.setCell(1, 2, "#a1");
    EXPECT_EQ(found(), std::tuple(1, 2, 1, true, false));
    EXPECT_EQ(SplitTextsSentence(FindSplitTexts(ds), ds),
              "1 texts would not read back as they are (first: row 2, column 1): a text starting with \"#\" makes its "
              "line a comment.");
    // Empty texts at the end of a line change no other text; before a text they shift it.
    ds.Table.Cells.setCell(3, 3, "");
    EXPECT_EQ(found(), std::tuple(1, 2, 1, true, false));
    ds.Table.Cells.setCell(2, 4, "");
    EXPECT_EQ(found(), std::tuple(2, 2, 1, true, true));
    // A later text starting with the prefix would end its line's data there.
    ds.Table.Cells.setCell(3, 1, "#b");
    EXPECT_TRUE(FindSplitTexts(ds).commentInside);
    // Quoted, all read back as they are.
    ds.Layout.Reading.quotedTexts = true;
    EXPECT_EQ(found(), std::tuple(0, 0, 0, false, false));
}

// ---- round trips and bytes

TEST(Writer, AFileWrittenByTheProgramIsWrittenBackByteForByte) {
    TempDir dir;
    DataSet ds;
    loadFile(ds, dir, "press.csv", kSemicolonFile, ";");
    const std::string first = dir.path() + "/first.csv";
    ASSERT_EQ(SaveDataFile(ds, first, false), "");
    const std::string written = readFile(first);
    DataSet again;
    again.Layout.ListSeparator = ";";
    again.File.CurrentFileName = first;
    ASSERT_EQ(LoadDataFile(again).status, LoadOutcome::Status::Loaded);
    EXPECT_EQ(DataFileText(again), written);
}

TEST(Writer, NonAsciiBytesAreWrittenUnchanged) {
    TempDir dir;
    // Windows-1252 bytes in one file, UTF-8 in the other; neither is re-encoded.
    const std::string latin = "Temp\xE9rature;D\xFC" "se\r\n\xB0" "C;\xB5m\r\n1;2\r\n3;4\r\n5;6\r\n7;8\r\n";
    const std::string utf8 = "Temp\xC3\xA9rature;D\xC3\xBCse\r\n\xC2\xB0" "C;\xC2\xB5m\r\n1;\xE2\x82\xAC\r\n3;4\r\n5;6\r\n7;8\r\n";
    for (const std::string& bytes : {latin, utf8}) {
        DataSet ds;
        loadFile(ds, dir, "enc.csv", bytes, ";");
        EXPECT_EQ(DataFileText(ds), bytes);
    }
}

// ---- saving

TEST(Writer, KeepDateGivesTheFileItsStampFromTheLoad) {
    TempDir dir;
    DataSet ds;
    const std::string path = loadFile(ds, dir, "press.csv", kSemicolonFile, ";");
    const int64_t old = 1'000'000'000; // 2001
    ds.File.FileAgeStamp = old;
    ASSERT_EQ(SaveDataFile(ds, path, true), "");
    EXPECT_EQ(mtimeOf(path), old);
    ASSERT_EQ(SaveDataFile(ds, path, false), "");
    EXPECT_GT(mtimeOf(path), old + 365 * 24 * 3600);
    // A save before any load has no stamp to give back.
    DataSet empty;
    const std::string fresh = dir.path() + "/fresh.csv";
    ASSERT_EQ(SaveDataFile(empty, fresh, true), "");
    EXPECT_GT(mtimeOf(fresh), old);
}

TEST(Writer, SavingKeepsPermissionBitsAndWritesThroughSymbolicLinks) {
    TempDir dir;
    DataSet ds;
    const std::string path = loadFile(ds, dir, "press.csv", kSemicolonFile, ";");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    const std::string link = dir.path() + "/link.csv";
    ASSERT_EQ(::symlink("press.csv", link.c_str()), 0);
    ds.Layout.ListSeparator = ",";
    ASSERT_EQ(SaveDataFile(ds, link, false), "");
    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(readFile(path).substr(20, 17), "Time,Force,Note\r\n");
    EXPECT_EQ(filesIn(dir.path()), 2u); // no temporary file left behind
}

TEST(Writer, FailedSavesReportTheReasonAndLeaveNoFile) {
    TempDir dir;
    DataSet ds;
    loadFile(ds, dir, "press.csv", kSemicolonFile, ";");
    // A folder that is a file, a folder that does not exist, a target that is a folder.
    EXPECT_NE(SaveDataFile(ds, dir.path() + "/press.csv/out.csv", false), "");
    EXPECT_NE(SaveDataFile(ds, dir.path() + "/gone/out.csv", false), "");
    std::filesystem::create_directory(dir.path() + "/folder.csv");
    EXPECT_NE(SaveDataFile(ds, dir.path() + "/folder.csv", false), "");
    EXPECT_EQ(filesIn(dir.path()), 2u);
}

TEST(Writer, AWriteThatFailsHalfwayLeavesTheOldFileIntact) {
    TempDir dir;
    DataSet ds;
    // Enough rows that the text outgrows the file size limit set below.
    std::string big = "a,b\n";
    for (int r = 0; r < 20000; ++r) big += std::to_string(r) + "," + std::to_string(r * 3) + "\n";
    const std::string path = loadFile(ds, dir, "big.csv", big);
    const std::string old = "the old content\r\n";
    { std::FILE* f = std::fopen(path.c_str(), "wb"); std::fwrite(old.data(), 1, old.size(), f); std::fclose(f); }

    // The limit holds for root as well; it is set in a child so the test program keeps none.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit {64 * 1024, 64 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const std::string error = SaveDataFile(ds, path, false);
        ::_exit(error.empty() ? 0 : 3);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3); // the save reported its failure
    EXPECT_EQ(readFile(path), old);
    EXPECT_EQ(filesIn(dir.path()), 1u);
}
