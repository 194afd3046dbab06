// Big hostile files through the load the window and the command line share: each ends in a
// clear outcome within a bounded time, and the loaded numbers stay finite. The files are made
// at test time in a temporary folder.
#include "data_writer.h"
#include "loader.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>

using namespace varnotile;
using varnotile::test::TempDir;

namespace {

// Writes `unit` repeated until the file holds `total` bytes (the last unit may be cut), then
// `tail`, in pieces of about a megabyte so that the test never holds the file twice.
std::string writeRepeated(const TempDir& dir, const std::string& name, const std::string& unit, std::size_t total,
                          const std::string& tail = {}) {
    const std::string path = dir.path() + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return path;
    std::string block;
    while (block.size() < (1u << 20)) block += unit;
    for (std::size_t written = 0; written < total;) {
        const std::size_t n = std::min(block.size(), total - written);
        std::fwrite(block.data(), 1, n, f);
        written += n;
    }
    std::fwrite(tail.data(), 1, tail.size(), f);
    std::fclose(f);
    return path;
}

struct TimedLoad {
    LoadOutcome outcome;
    double seconds = 0;
};

TimedLoad timedLoad(DataSet& ds, const std::string& path) {
    ds.File.CurrentFileName = path;
    const auto start = std::chrono::steady_clock::now();
    TimedLoad result{LoadDataFile(ds), 0};
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("  load of %s: %.2f s\n", path.substr(path.rfind('/') + 1).c_str(), result.seconds);
    return result;
}

void expectFiniteStatistics(const DataSet& ds) {
    for (std::size_t k = 1; k <= 10; ++k) {
        EXPECT_TRUE(std::isfinite(ds.Table.ColumnMin[k]) && std::isfinite(ds.Table.ColumnMax[k])) << k;
        EXPECT_GT(ds.Table.ColumnAbsMax[k], 0.0) << k;
    }
}

} // namespace

// 300 MB of fields without a single line break is one line: too few data, quickly, and the
// data set holds nothing afterwards.
TEST(HostileScale, HugeLineWithoutLineBreak) {
    TempDir dir;
    const std::string path = writeRepeated(dir, "line.csv", "12.5,-3e4,", 300u << 20);
    DataSet ds;
    const TimedLoad load = timedLoad(ds, path);
    EXPECT_EQ(load.outcome.status, LoadOutcome::Status::TooFewData);
    EXPECT_EQ(ds.Layout.ColumnCount, 0);
    EXPECT_EQ(ds.Layout.DataRowCount, 0);
    EXPECT_LT(load.seconds, 10.0);
}

// Lines of a million fields: the first ten columns are loaded, the column limit is reported and
// the eleventh field becomes the extra text column.
TEST(HostileScale, MillionFieldLines) {
    TempDir dir;
    std::string line;
    for (int i = 0; i < 1'000'000; ++i) line += std::to_string(i % 1000) + ",";
    line.back() = '\n';
    std::string bytes = "Title\n";
    for (int i = 0; i < 5; ++i) bytes += line;
    bytes += "1,2,3,4,5,6,7,8,9,10\n";
    DataSet ds;
    const TimedLoad load = timedLoad(ds, dir.write("fields.csv", bytes));
    ASSERT_EQ(load.outcome.status, LoadOutcome::Status::Loaded);
    ASSERT_FALSE(load.outcome.messages.empty());
    EXPECT_EQ(load.outcome.messages.front(), "Maximum Number of Colons - 10");
    EXPECT_EQ(ds.Layout.ColumnCount, 11);
    EXPECT_TRUE(ds.Layout.ExtraColumnFound);
    EXPECT_EQ(ds.Layout.DataRowCount, 6);
    EXPECT_EQ(ds.Table.Cells.cell(10, 1), "9");
    EXPECT_EQ(ds.Table.Cells.cell(11, 1), "10");
    expectFiniteStatistics(ds);
    EXPECT_LT(load.seconds, 5.0);
}

// Ten million short rows load completely with the right statistics.
TEST(HostileScale, TenMillionShortRows) {
    TempDir dir;
    const std::string path = writeRepeated(dir, "rows.csv", "1,2\n", 10'000'000u * 4, "-5,9\n");
    DataSet ds;
    const TimedLoad load = timedLoad(ds, path);
    ASSERT_EQ(load.outcome.status, LoadOutcome::Status::Loaded);
    EXPECT_EQ(ds.Layout.ColumnCount, 2);
    EXPECT_EQ(ds.Layout.DataRowCount, 10'000'001);
    EXPECT_EQ(ds.Table.ColumnMin[1], -5);
    EXPECT_EQ(ds.Table.ColumnMax[2], 9);
    EXPECT_EQ(ds.Table.Cells.cell(2, ds.Layout.DataRowCount), "9");
    expectFiniteStatistics(ds);
    EXPECT_LT(load.seconds, 20.0);
}

// 100 MB with CR alone as the line end: a lone CR is not a line break, so the whole file is
// one line and too few data, without a quadratic walk over the dropped CRs.
TEST(HostileScale, HundredMegabytesOfCrOnlyLineEnds) {
    TempDir dir;
    const std::string path = writeRepeated(dir, "cr.csv", "1.5,2\r", 100u << 20);
    DataSet ds;
    const TimedLoad load = timedLoad(ds, path);
    EXPECT_EQ(load.outcome.status, LoadOutcome::Status::TooFewData);
    EXPECT_EQ(ds.Layout.DataRowCount, 0);
    EXPECT_LT(load.seconds, 5.0);
}

// One column of numbers twenty million digits long: each is read in linear time and is too
// large for a double, so not a number (never infinity); the scan for header lines takes them
// as header text, and writing keeps them whole.
TEST(HostileScale, NumbersOfTwentyMillionDigits) {
    TempDir dir;
    const std::string digits(20'000'000, '7');
    std::string bytes = "Level\n";
    for (int i = 0; i < 5; ++i) bytes += digits + "\n";
    bytes += "0." + digits + "\n";
    DataSet ds;
    const TimedLoad load = timedLoad(ds, dir.write("digits.csv", bytes));
    ASSERT_EQ(load.outcome.status, LoadOutcome::Status::Loaded);
    EXPECT_EQ(ds.Layout.ColumnCount, 1);
    EXPECT_EQ(ds.Layout.HeaderLines[1], "Level");
    EXPECT_EQ(ds.Layout.HeaderLines[6], digits);
    ASSERT_EQ(ds.Layout.DataRowCount, 1);
    EXPECT_TRUE(ds.Layout.ColumnIsNumeric[1]);
    EXPECT_NEAR(ds.value(1, 1), 0.7777777777777778, 1e-15);
    expectFiniteStatistics(ds);
    EXPECT_EQ(DataFileText(ds).size(), bytes.size() + 7); // CR LF for LF on each of the 7 lines
    EXPECT_LT(load.seconds, 10.0);
}
