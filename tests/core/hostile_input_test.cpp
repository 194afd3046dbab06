// Files no instrument should write but users open anyway: every one ends in a clear outcome
// (loaded, "Too few Data" or a read error), never a crash, and no infinity reaches the numbers.
#include "loader.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

using namespace varnotile;
using varnotile::test::TempDir;

namespace {

LoadOutcome loadBytes(DataSet& ds, const TempDir& dir, const std::string& bytes) {
    ds.File.CurrentFileName = dir.write("h.csv", bytes);
    return LoadDataFile(ds);
}

void expectFiniteNumbers(const DataSet& ds) {
    for (int k = 1; k <= 10; ++k) {
        EXPECT_TRUE(std::isfinite(ds.Table.ColumnMin[k]));
        EXPECT_TRUE(std::isfinite(ds.Table.ColumnMax[k]));
        EXPECT_NE(ds.Table.ColumnAbsMax[k], 0.0);
        for (int r = 1; r <= ds.Layout.DataRowCount; ++r) EXPECT_TRUE(std::isfinite(ds.value(k, r)));
    }
}

} // namespace

TEST(HostileInput, EveryByteAloneAndRepeated) {
    TempDir dir;
    for (int b = 0; b < 256; ++b) {
        DataSet ds;
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(loadBytes(ds, dir, one).status, LoadOutcome::Status::TooFewData) << b;
        std::string lines;
        for (int i = 0; i < 6; ++i) lines += one + "," + one + "\n";
        const auto outcome = loadBytes(ds, dir, lines);
        EXPECT_NE(outcome.status, LoadOutcome::Status::ReadError) << b;
        EXPECT_LE(ds.Layout.ColumnCount, 11);
        expectFiniteNumbers(ds);
    }
}

TEST(HostileInput, NulBytesMixedLineEndsAndByteOrderMark) {
    TempDir dir;
    DataSet ds;
    const std::string nul(1, '\0');
    auto outcome = loadBytes(ds, dir, nul + "1,2\n3," + nul + "4\n5,6\n7,8\n9,10" + nul);
    EXPECT_EQ(outcome.status, LoadOutcome::Status::Loaded);
    outcome = loadBytes(ds, dir, "1,2\r3,4\n5,6\r\n7,8\r\r\n9,10\n11,12\r\n");
    EXPECT_EQ(outcome.status, LoadOutcome::Status::Loaded);
    EXPECT_EQ(ds.File.LineCount, 5); // a lone CR is dropped, joining "1,2" and "3,4"
    EXPECT_EQ(ds.File.FileLines.line(1), "1,23,4");
    outcome = loadBytes(ds, dir, "\xEF\xBB\xBFTime,Temp\n1,2\n3,4\n5,6\n7,8\n");
    EXPECT_EQ(outcome.status, LoadOutcome::Status::Loaded);
    EXPECT_TRUE(ds.File.FileIsUtf8);
    EXPECT_EQ(ds.Layout.ColumnNames[1], "\xEF\xBB\xBFTime");
    outcome = loadBytes(ds, dir, "a,\xff\xfe\n1,2\n3,4\n5,6\n7,8\n");
    EXPECT_FALSE(ds.File.FileIsUtf8);
}

TEST(HostileInput, HugeAndSpecialNumbersNeverBecomeInfinite) {
    TempDir dir;
    DataSet ds;
    const std::string big(400, '9');
    auto outcome = loadBytes(ds, dir, "1,2\n1e999,nan\ninf,-1e400\n" + big + ",1e-999\n5,6\n7,8\n");
    EXPECT_EQ(outcome.status, LoadOutcome::Status::Loaded);
    expectFiniteNumbers(ds);
    EXPECT_EQ(ds.Table.ColumnMax[1], 7);
}

TEST(HostileInput, LongLinesAndManyFields) {
    TempDir dir;
    DataSet ds;
    std::string fields;
    for (int i = 0; i < 100000; ++i) fields += std::to_string(i) + ",";
    auto outcome = loadBytes(ds, dir, fields + "\n" + fields + "\n" + fields + "\n" + fields + "\n" + fields + "\n");
    EXPECT_EQ(outcome.status, LoadOutcome::Status::Loaded);
    EXPECT_EQ(ds.Layout.ColumnCount, 11);
    EXPECT_EQ(outcome.messages.front(), "Maximum Number of Colons - 10");
    outcome = loadBytes(ds, dir, std::string(5'000'000, 'x'));
    EXPECT_EQ(outcome.status, LoadOutcome::Status::TooFewData);
}

TEST(HostileInput, FoldersAndVanishedFiles) {
    TempDir dir;
    std::filesystem::create_directory(dir.path() + "/x.csv");
    DataSet ds;
    ds.File.CurrentFileName = dir.path() + "/x.csv";
    auto outcome = LoadDataFile(ds);
    EXPECT_EQ(outcome.status, LoadOutcome::Status::ReadError);
    EXPECT_FALSE(outcome.error.empty());
    ds.File.CurrentFileName = dir.path() + "/gone.csv";
    outcome = LoadDataFile(ds);
    EXPECT_EQ(outcome.status, LoadOutcome::Status::TooFewData);
    EXPECT_EQ(ds.File.FileAgeStamp, -1);
}
