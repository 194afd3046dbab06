// Reading a file's lines and detecting its layout, through the load sequence.
#include "cell_editing.h"
#include "loader.h"
#include "test_files.h"

#include <gtest/gtest.h>

using namespace varnotile;
using varnotile::test::TempDir;

namespace {

struct Loaded {
    DataSet ds;
    LoadOutcome outcome;
};

std::unique_ptr<Loaded> load(const std::string& bytes, const std::string& delimiter = ",", char decimal = '.') {
    static TempDir dir;
    auto result = std::make_unique<Loaded>();
    result->ds.Layout.ListSeparator = delimiter;
    result->ds.DecimalSeparator = decimal;
    result->ds.File.CurrentFileName = dir.write("data.csv", bytes);
    result->outcome = LoadDataFile(result->ds);
    return result;
}

std::string cell(const DataSet& ds, int column, int row) {
    return std::string(ds.Table.Cells.cell(column, row));
}

} // namespace

// ---- reading lines -------------------------------------------------------------------------

TEST(ReadLines, LineEndsCarriageReturnsAndCtrlZ) {
    FileLines lines;
    lines.assign("a\r\nb\nc\rd\n\x1a");
    ASSERT_EQ(lines.count(), 3);
    EXPECT_EQ(lines.line(1), "a");
    EXPECT_EQ(lines.line(2), "b");
    EXPECT_EQ(lines.line(3), "cd"); // a lone CR is dropped
    lines.assign("x\ny\x1azz\nw");
    ASSERT_EQ(lines.count(), 3);
    EXPECT_EQ(lines.line(2), "y"); // Ctrl+Z inside a line ends its text
    EXPECT_EQ(lines.line(3), "w"); // the last line needs no line break
    lines.assign("");
    EXPECT_EQ(lines.count(), 0);
    lines.assign("\n\n");
    EXPECT_EQ(lines.count(), 2);
    EXPECT_EQ(lines.line(0), "");
    EXPECT_EQ(lines.line(3), "");
}

TEST(ReadLines, MissingFileGivesNoLinesAndFolderGivesAnError) {
    DataSet ds;
    ds.File.CurrentFileName = "/nonexistent/file.csv";
    EXPECT_EQ(ReadFileLines(ds), "");
    EXPECT_EQ(ds.File.LineCount, 0);
    TempDir dir;
    ds.File.CurrentFileName = dir.path();
    EXPECT_NE(ReadFileLines(ds), "");
    auto outcome = LoadDataFile(ds);
    EXPECT_EQ(outcome.status, LoadOutcome::Status::ReadError);
    EXPECT_EQ(ds.Layout.DataRowCount, 0);
}

// ---- trimming and counting -----------------------------------------------------------------

TEST(Trimming, KeepsTheFloorAndRunsSpacesBeforeSeparators) {
    EXPECT_EQ(trimmedLength("1,2,3,", ','), 5u);
    EXPECT_EQ(trimmedLength("1,2,3,  ", ','), 5u);
    EXPECT_EQ(trimmedLength("1,2, ,", ','), 5u); // a space before a trailing separator stays
    EXPECT_EQ(trimmedLength("a ", ','), 2u);
    EXPECT_EQ(trimmedLength(",,,,", ','), 2u);
    EXPECT_EQ(trimmedLength("", ','), 0u);
    EXPECT_EQ(countFieldsWithinLimit("1,2,3,4,5,6,7,8,9,10,11,12", ',', nullptr), 11);
    EXPECT_EQ(countFieldsWithinLimit("", ',', nullptr), 1);
}

// ---- column count and headers --------------------------------------------------------------

TEST(Layout, TitleNamesUnitsAndData) {
    auto l = load("Logger 7\nTime,Temp,Hum\ns,C,%\n0,20.5,40\n1,20.7,41\n2,20.9,42\n");
    const DataSet& ds = l->ds;
    EXPECT_TRUE(l->outcome.messages.empty());
    EXPECT_EQ(ds.Layout.ColumnCount, 3);
    EXPECT_EQ(ds.Layout.HeaderLines[1], "Logger 7");
    EXPECT_EQ(ds.Layout.HeaderLineCount, 2);
    EXPECT_EQ(ds.Layout.FirstDataLine, 4);
    EXPECT_EQ(ds.Layout.DataRowCount, 3);
    EXPECT_EQ(ds.Layout.ColumnNames[2], "Temp");
    EXPECT_EQ(ds.Layout.ColumnLabels[3], "%");
    EXPECT_TRUE(ds.Layout.ColumnIsNumeric[1] && ds.Layout.ColumnIsNumeric[2] && ds.Layout.ColumnIsNumeric[3]);
    EXPECT_EQ(cell(ds, 2, 3), "20.9");
    EXPECT_EQ(ds.cellText(0, 3), "3");
}

TEST(Layout, ShortTrailerMakesThePreviousLineTheSample) {
    auto l = load("1,2,3\n4,5,6\n7,8,9\n10,11,12\nend\n");
    EXPECT_EQ(l->ds.Layout.ColumnCount, 3);
    EXPECT_EQ(l->ds.Layout.HeaderLines[5], "end"); // within the first 20 lines: free header text
    EXPECT_EQ(l->ds.Layout.FirstDataLine, 6);
    EXPECT_EQ(l->ds.Layout.DataRowCount, 0);
}

TEST(Layout, TrailingCommaIsTrimmedAndOneExtraFieldMatches) {
    auto l = load("a,b,c,d\n1,2,3\n4,5,6\n7,8,9\n1,2,3,\n");
    EXPECT_EQ(l->ds.Layout.ColumnCount, 3);
    // Four fields count as matching (one more), so no line is free header text; the names line
    // keeps only the first three names.
    EXPECT_EQ(l->ds.Layout.HeaderLines[1], "");
    EXPECT_EQ(l->ds.Layout.HeaderLineCount, 1);
    EXPECT_EQ(l->ds.Layout.FirstDataLine, 2);
    EXPECT_EQ(l->ds.Layout.ColumnNames[3], "c");
    EXPECT_FALSE(l->ds.Layout.ExtraColumnFound); // the trailing comma leaves field 4 empty
}

TEST(Layout, TooManyFieldsGivesTheMessageOnceAndTenColumns) {
    std::string row = "1,2,3,4,5,6,7,8,9,10,11,12\n";
    auto l = load(row + row + row + row + row);
    ASSERT_EQ(l->outcome.messages.size(), 1u);
    EXPECT_EQ(l->outcome.messages[0], "Maximum Number of Colons - 10");
    EXPECT_TRUE(l->ds.Layout.ExtraColumnFound);
    EXPECT_EQ(l->ds.Layout.ColumnCount, 11);
    EXPECT_EQ(cell(l->ds, 11, 1), "11");
    EXPECT_FALSE(l->ds.Layout.ColumnIsNumeric[11]);
}

TEST(Layout, NamesLabelsAndAMixedDataLine) {
    auto l = load("alpha,beta,gamma\nm,s,kg\nx,1,2\n3,4,5\n6,7,8\n");
    EXPECT_EQ(l->ds.Layout.HeaderLineCount, 2);
    EXPECT_EQ(l->ds.Layout.FirstDataLine, 3);
    EXPECT_EQ(l->ds.Layout.ColumnLabels[2], "s");
    EXPECT_EQ(cell(l->ds, 1, 1), "x");
}

TEST(Layout, ThreeHeaderLinesAtMost) {
    auto l = load("a,b\nc,d\ne,f\ng,h\n1,2\n3,4\n");
    EXPECT_EQ(l->ds.Layout.HeaderLineCount, 3);
    EXPECT_EQ(l->ds.Layout.ColumnHeader3[2], "f");
    EXPECT_EQ(l->ds.Layout.FirstDataLine, 4);
    EXPECT_EQ(cell(l->ds, 1, 1), "g");
}

TEST(Layout, AShortDataLineEarlyMakesEverythingBeforeItHeaderText) {
    auto l = load("1,2,3\n4,5,6\n7\n8,9,10\n11,12,13\n14,15,16\n");
    EXPECT_EQ(l->ds.Layout.FirstDataLine, 4);
    EXPECT_EQ(l->ds.Layout.HeaderLines[3], "7");
    EXPECT_EQ(l->ds.Layout.HeaderLines[1], ""); // matching lines above it are skipped, not kept
    EXPECT_EQ(l->ds.Layout.DataRowCount, 3);
}

TEST(Layout, SingleColumnWithAWordHeader) {
    auto l = load("Voltage\n1.5\n1.6\n1.7\n1.8\n");
    EXPECT_EQ(l->ds.Layout.ColumnCount, 1);
    EXPECT_EQ(l->ds.Layout.HeaderLines[1], "Voltage");
    EXPECT_EQ(l->ds.Layout.FirstDataLine, 2);
    EXPECT_EQ(l->ds.Layout.HeaderLineCount, 0);
    EXPECT_EQ(l->ds.Layout.ColumnNames[1], "");
}

TEST(Layout, FailureValueMakesAColumnNonNumeric) {
    auto l = load("1,2\n3,4\n5,6\n7,8\n9,-777711\n");
    EXPECT_TRUE(l->ds.Layout.ColumnIsNumeric[1]);
    EXPECT_FALSE(l->ds.Layout.ColumnIsNumeric[2]);
}

TEST(Layout, SpacesStayInCellsAndSpaceDelimiterKeepsEmptyFields) {
    auto l = load(" 1 ,2\n 3 ,4\n 5 ,6\n 7 ,8\n 9 ,10\n");
    EXPECT_TRUE(l->ds.Layout.ColumnIsNumeric[1]);
    EXPECT_EQ(cell(l->ds, 1, 1), " 1 ");
    EXPECT_DOUBLE_EQ(l->ds.value(1, 5), 9);
    auto s = load("1  2\n3  4\n5  6\n7  8\n9  10\n", " ");
    EXPECT_EQ(s->ds.Layout.ColumnCount, 3);
    EXPECT_EQ(cell(s->ds, 2, 1), "");
    EXPECT_EQ(cell(s->ds, 3, 1), "2");
    auto lead = load(" 1 2\n 3 4\n 5 6\n 7 8\n 9 10\n", " ");
    EXPECT_EQ(lead->ds.Layout.ColumnCount, 3);
    EXPECT_EQ(cell(lead->ds, 1, 1), "");
}

TEST(Layout, CrLfAndLfReadTheSame) {
    auto a = load("a,b\r\n1,2\r\n3,4\r\n5,6\r\n7,8\r\n\x1a");
    auto b = load("a,b\n1,2\n3,4\n5,6\n7,8\n");
    EXPECT_EQ(a->ds.File.LineCount, b->ds.File.LineCount);
    EXPECT_EQ(a->ds.Layout.ColumnNames[2], "b");
    EXPECT_EQ(cell(a->ds, 2, 4), "8");
}

// ---- the load sequence ---------------------------------------------------------------------

TEST(Load, FourLinesAreTooFewAndFiveLoad) {
    auto four = load("1,2\n3,4\n5,6\n7,8\n");
    EXPECT_EQ(four->outcome.status, LoadOutcome::Status::TooFewData);
    ASSERT_EQ(four->outcome.messages.size(), 1u);
    EXPECT_EQ(four->outcome.messages[0], "Too few Data");
    EXPECT_EQ(four->ds.Layout.DataRowCount, 0);
    auto five = load("1,2\n3,4\n5,6\n7,8\n9,10\n");
    EXPECT_EQ(five->outcome.status, LoadOutcome::Status::Loaded);
    EXPECT_EQ(five->ds.Layout.DataRowCount, 5);
}

TEST(Load, AllEmptyLinesAreTooFew) {
    auto l = load("\n\n\n\n\n\n");
    EXPECT_EQ(l->outcome.status, LoadOutcome::Status::TooFewData);
    EXPECT_EQ(l->ds.Layout.ColumnCount, 0);
}

TEST(Load, ExtraColumnStartsAtTheFirstRowThatHasIt) {
    auto l = load("1,2,3\n4,5,6,x\n7,8,9\n10,11,12,y\n13,14,15\n16,17,18\n");
    EXPECT_TRUE(l->ds.Layout.ExtraColumnFound);
    EXPECT_EQ(l->ds.Layout.ColumnCount, 4);
    EXPECT_EQ(cell(l->ds, 4, 1), "");
    EXPECT_EQ(cell(l->ds, 4, 2), "x");
    EXPECT_EQ(cell(l->ds, 4, 3), "");
    EXPECT_EQ(cell(l->ds, 4, 4), "y");
    EXPECT_FALSE(l->ds.Layout.ColumnIsNumeric[4]);
}

TEST(Load, TrailingEmptyLinesBecomeEmptyRows) {
    std::string bytes;
    for (int i = 0; i < 25; ++i) bytes += std::to_string(i) + ",1\n";
    auto l = load(bytes + "\n\n");
    EXPECT_EQ(l->ds.Layout.DataRowCount, 27);
    EXPECT_EQ(cell(l->ds, 1, 27), "");
    EXPECT_EQ(l->ds.value(1, 27), 0.0);
    // Within the first 20 lines the same empty lines are free header text instead.
    auto early = load("1,2\n3,4\n5,6\n7,8\n\n\n");
    EXPECT_EQ(early->ds.Layout.FirstDataLine, 7);
    EXPECT_EQ(early->ds.Layout.DataRowCount, 0);
}

// The X column stays only where the next file has it as numbers; else the row numbers are X.
TEST(Load, KeepsTheXColumnWhileTheNextFileHasItAsNumbers) {
    const struct {
        const char* next;
        int x;
    } cases[] = {
        {"1,5\n2,6\n3,7\n4,8\n5,9\n", 2},       // numbers in column 2
        {"1\n2\n3\n4\n5\n", 0},                  // no column 2
        {"1,a\n2,b\n3,c\n4,d\n5,e\n", 0},       // column 2 is text
        {"1\n", 0},                                 // too few data
    };
    TempDir dir;
    for (const auto& c : cases) {
        auto l = load("a,b\n1,2\n3,4\n5,6\n7,8\n");
        l->ds.View.XColumn = 2;
        l->ds.File.CurrentFileName = dir.write("next", c.next);
        LoadDataFile(l->ds);
        EXPECT_EQ(l->ds.View.XColumn, c.x) << c.next;
    }
}

TEST(Load, KeepsTheViewChoicesAndResetsTheRest) {
    auto l = load("a,b\n1,2\n3,4\n5,6\n7,8\n");
    DataSet& ds = l->ds;
    ds.View.XColumn = 2;
    ds.View.CurveVisible[1] = false;
    EditCell(ds, 1, 1, "9");
    ds.Edit.HeaderTextsChanged = true;
    TempDir dir;
    ds.File.CurrentFileName = dir.write("x", "1\n2\n3\n4\n5\n");
    LoadDataFile(ds);
    EXPECT_EQ(ds.View.XColumn, 0); // the new file has no column 2
    EXPECT_FALSE(ds.View.CurveVisible[1]);
    EXPECT_EQ(ds.UndoCount(), 0);
    EXPECT_FALSE(ds.isModified());
    EXPECT_EQ(ds.Layout.ColumnNames[2], "");
    EXPECT_EQ(ds.Edit.ModifyToRow, 5);
}

TEST(Load, NonAsciiBytesAreKeptAsTheyAre) {
    auto l = load("T\xe9mp,\xb5m\n1,2\n3,4\n5,6\n7,8\n");
    EXPECT_FALSE(l->ds.File.FileIsUtf8);
    EXPECT_EQ(l->ds.Layout.ColumnNames[1], "T\xe9mp");
}
