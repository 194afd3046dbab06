// Column modification: conditional and linear transformations, row ranges, formatting, undo.
#include "loader.h"
#include "change_recorder.h"
#include "modification.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

using namespace varnotile;

namespace {

void load(DataSet& ds, const std::string& bytes) {
    static varnotile::test::TempDir dir;
    static int serial = 0;
    ds.File.CurrentFileName = dir.write("m" + std::to_string(++serial) + ".csv", bytes);
    ASSERT_EQ(LoadDataFile(ds).status, LoadOutcome::Status::Loaded);
}

std::string cell(const DataSet& ds, int c, int r) { return std::string(ds.Table.Cells.cell(c, r)); }

ModifyRequest linear(const std::string& factor, const std::string& offset, int from, int to) {
    ModifyRequest r;
    r.condition = ">";
    r.factor = factor;
    r.offset = offset;
    r.fromRow = from;
    r.toRow = to;
    return r;
}

ModifyResult modify(DataSet& ds, int k, const ModifyRequest& request) {
    return ApplyModification(ds, k, PlanModification(ds, request));
}

// The last line is the longest, so it decides that both columns are numeric.
const char* kSix = "x,y\n1,5\n2,15\n3,10\n1.50,20\nabc,11\n6,-3.0\n";

} // namespace

TEST(Modification, LinearTransformationWritesTheNewNumbers) {
    DataSet ds;
    load(ds, kSix);
    varnotile::test::ChangeRecorder changes(ds);
    EXPECT_TRUE(modify(ds, 1, linear("2", "1", 1, 3)).applied);
    EXPECT_EQ(changes.take(), "cells 1 1-3; statistics 1; finished");
    EXPECT_EQ(cell(ds, 1, 1), "3");
    EXPECT_EQ(cell(ds, 1, 2), "5");
    EXPECT_EQ(cell(ds, 1, 3), "7");
    EXPECT_EQ(cell(ds, 1, 4), "1.50"); // outside the range
    EXPECT_EQ(ds.Table.Values[1][3], 7);
    EXPECT_EQ(ds.Table.ColumnMax[1], 7);
    EXPECT_EQ(ds.UndoCount(), 1);
}

TEST(Modification, ConditionalRunsBeforeLinearAndKeepsTheBoundary) {
    DataSet ds;
    load(ds, kSix);
    ModifyRequest r = linear("1", "0", 1, 6);
    r.ifValue = "10";
    r.thenValue = "0";
    modify(ds, 2, r);
    EXPECT_EQ(cell(ds, 2, 1), "5");
    EXPECT_EQ(cell(ds, 2, 2), "0");
    EXPECT_EQ(cell(ds, 2, 3), "10");
    EXPECT_EQ(cell(ds, 2, 4), "0");
    EXPECT_EQ(cell(ds, 2, 5), "0");

    r.condition = "=";
    r.ifValue = "0";
    r.thenValue = "2";
    r.factor = "10";
    modify(ds, 2, r);
    EXPECT_EQ(cell(ds, 2, 2), "20");
    EXPECT_EQ(cell(ds, 2, 6), "-30");
    // A condition text other than ">", "<", "=" changes nothing, but the linear step still runs.
    r.condition = ">=";
    r.ifValue = "-100";
    r.factor = "1";
    r.offset = "1";
    modify(ds, 2, r);
    EXPECT_EQ(cell(ds, 2, 6), "-29");
}

TEST(Modification, RangesAreClampedAndEmptyPlansDoNothing) {
    DataSet ds;
    load(ds, kSix);
    ModifyPlan plan = PlanModification(ds, linear("1", "5", 0, 99));
    EXPECT_EQ(plan.fromRow, 1);
    EXPECT_EQ(plan.toRow, 6);
    EXPECT_EQ(ds.Edit.ModifyFromRow, 1);
    EXPECT_EQ(ds.Edit.ModifyToRow, 6);
    EXPECT_TRUE(plan.confirmed());
    // Factor "1" with offset "0", or an empty factor, is no transformation: no entry.
    EXPECT_FALSE(modify(ds, 1, linear("1", "0", 1, 6)).applied);
    EXPECT_FALSE(modify(ds, 1, linear("", "3", 1, 6)).applied);
    EXPECT_EQ(ds.UndoCount(), 0);
    // An empty offset reads as "0"; a range past the end stays empty.
    modify(ds, 1, linear("2", "", 5, 99));
    EXPECT_EQ(cell(ds, 1, 6), "12");
    modify(ds, 1, linear("2", "1", 9, 20));
    EXPECT_EQ(cell(ds, 1, 6), "12");
    // Columns without numbers are never transformed.
    EXPECT_FALSE(modify(ds, 3, linear("2", "1", 1, 6)).applied);
    EXPECT_FALSE(modify(ds, 0, linear("2", "1", 1, 6)).applied);
}

TEST(Modification, NonNumericTextsAndFormatting) {
    DataSet ds;
    load(ds, kSix);
    modify(ds, 1, linear("1.0", "0", 1, 6));
    EXPECT_EQ(cell(ds, 1, 4), "1.5");  // rewritten in the general format
    EXPECT_EQ(cell(ds, 1, 5), "0");    // "abc" took part as 0
    EXPECT_EQ(ds.UndoCount(), 1);
    modify(ds, 1, linear("2", "1", 5, 5));
    EXPECT_EQ(cell(ds, 1, 5), "1");
    modify(ds, 2, linear("2", "4", 1, 2));
    EXPECT_EQ(cell(ds, 2, 1), "14");
    EXPECT_EQ(cell(ds, 2, 2), "34");
    modify(ds, 2, linear("0.0000001", "0", 3, 3));
    EXPECT_EQ(cell(ds, 2, 3), "1E-6");
    EXPECT_EQ(ds.Table.Values[2][3], 1e-6);
}

TEST(Modification, UndoBringsBackEveryTextAndValue) {
    DataSet ds;
    load(ds, kSix);
    modify(ds, 1, linear("3", "0.1", 1, 6));
    EXPECT_EQ(cell(ds, 1, 4), "4.6");
    UndoLast(ds);
    const char* texts[] = {"1", "2", "3", "1.50", "abc", "6"};
    for (int r = 1; r <= 6; ++r) EXPECT_EQ(cell(ds, 1, r), texts[r - 1]);
    EXPECT_EQ(ds.Table.Values[1][4], 1.5);
    EXPECT_EQ(ds.Table.Values[1][5], 0);
    EXPECT_EQ(ds.Table.ColumnMax[1], 6);
    EXPECT_FALSE(ds.Table.Cells.isEdited(1, 4));
}

TEST(Modification, ResultsOutOfRangeLeaveTheirCells) {
    DataSet ds;
    load(ds, kSix);
    EXPECT_EQ(modify(ds, 2, linear("1e300", "0", 1, 6)).unchangedResults, 0);
    ModifyResult e = modify(ds, 2, linear("1e300", "0", 1, 6));
    EXPECT_EQ(e.unchangedResults, 6);
    EXPECT_EQ(cell(ds, 2, 1), "5E300");
    for (int r = 1; r <= 6; ++r) EXPECT_TRUE(std::isfinite(ds.Table.Values[2][static_cast<std::size_t>(r)]));
    EXPECT_TRUE(std::isfinite(ds.Table.ColumnMax[2]));
    EXPECT_TRUE(std::isfinite(ds.Table.ColumnAbsMax[2]));
    // A result at the top of the double range is written cut to 15 digits, a text that reads
    // back as a finite number.
    load(ds, "x,y\n1,1.7976931348623157e308\n2,1\n3,1\n4,1\n5,1\n");
    e = modify(ds, 2, linear("1", "1", 1, 1));
    EXPECT_EQ(e.unchangedResults, 0);
    EXPECT_EQ(cell(ds, 2, 1), "1.79769313486231E308");
    EXPECT_TRUE(std::isfinite(ds.Table.Values[2][1]));
}

TEST(Modification, RowFieldsAreIntegers) {
    int v = 0;
    EXPECT_TRUE(parseRowField("12", v));
    EXPECT_EQ(v, 12);
    EXPECT_TRUE(parseRowField(" -3 ", v));
    EXPECT_EQ(v, -3);
    EXPECT_TRUE(parseRowField("+4", v));
    EXPECT_EQ(v, 4);
    for (const char* bad : {"", " ", "1.5", "abc", "12a", "99999999999", "+-1"}) EXPECT_FALSE(parseRowField(bad, v)) << bad;
}

TEST(Modification, FactorOrOffsetThatIsNotANumberIsRefused) {
    struct Case {
        const char *factor, *offset;
        char decimal;
        std::optional<std::string> refused;
    };
    const Case cases[] = {
        {"1.5", "0", ',', "1.5"}, {"1,5", "0", ',', std::nullopt}, {"2", "0.5", ',', "0.5"},
        {"x", "4", '.', "x"},     {"2", "abc", '.', "abc"},        {" 2 ", "", '.', std::nullopt},
        {"1", "0", ',', std::nullopt}, {"", "x", '.', std::nullopt}, // no linear transformation to read
    };
    for (const Case& c : cases)
        EXPECT_EQ(InvalidLinearText(linear(c.factor, c.offset, 1, 6), c.decimal), c.refused) << c.factor << " " << c.offset;

    // Such a request changes no value, also with a condition beside it.
    DataSet ds;
    load(ds, kSix);
    ModifyRequest r = linear("2", "1,5", 1, 6);
    r.ifValue = "10";
    r.thenValue = "0";
    EXPECT_FALSE(modify(ds, 2, r).applied);
    EXPECT_EQ(cell(ds, 2, 2), "15");
    EXPECT_EQ(ds.UndoCount(), 0);
}
