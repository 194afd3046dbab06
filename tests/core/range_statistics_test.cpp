// Statistics of a range of rows from the block summaries, against the plain computation row by
// row on seeded random data: missing values, sorted, unsorted and time X, row numbers, edits.
#include "log_scale.h"
#include "measure_texts.h"
#include "range_statistics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numeric>
#include <random>

using namespace varnotile;

namespace {

enum class XShape { RowNumber, Sorted, Unsorted, Time };

// Column 1 is X, columns 2 and 3 values (a tenth of column 2 missing; column 3 at a large level
// with a small spread, the hard case for sums of squares).
std::unique_ptr<DataSet> randomTable(XShape shape, int rows, unsigned seed) {
    auto owner = std::make_unique<DataSet>();
    DataSet& ds = *owner;
    std::mt19937_64 random(seed);
    std::normal_distribution<double> noise(0, 1);
    std::uniform_real_distribution<double> uniform(0, 1);
    ds.Layout.ColumnCount = 3;
    ds.Layout.DataRowCount = rows;
    for (int k = 1; k <= 3; ++k) {
        ds.Layout.ColumnIsNumeric[k] = true;
        ds.Table.Values[k].assign(static_cast<std::size_t>(rows) + 1, 0.0);
    }
    double x = shape == XShape::Time ? 1.79e9 : 0;
    for (int r = 1; r <= rows; ++r) {
        const auto i = static_cast<std::size_t>(r);
        x += shape == XShape::Time ? 10 * (1 + std::floor(uniform(random) * 3)) : uniform(random);
        ds.Table.Values[1][i] = shape == XShape::Unsorted ? std::round(uniform(random) * rows / 3) : x;
        ds.Table.Values[2][i] = uniform(random) < 0.1 ? std::nan("") : 5 * noise(random) - 2;
        ds.Table.Values[3][i] = 1e6 + 1e-3 * noise(random);
    }
    if (shape == XShape::Unsorted) ds.Table.Values[1][7] = std::nan(""); // a row with no X is in no X range
    if (shape == XShape::Time) ds.Layout.ColumnTime[1] = TimeKind::YearFirst;
    return owner;
}

void expectSame(const RangeStatistics& got, const RangeStatistics& want, const std::string& where) {
    SCOPED_TRACE(where);
    EXPECT_EQ(got.count, want.count);
    EXPECT_EQ(got.missing, want.missing);
    auto near = [](double a, double b, double relative) {
        if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
        return std::fabs(a - b) <= relative * std::max({1.0, std::fabs(a), std::fabs(b)});
    };
    EXPECT_TRUE(near(got.mean, want.mean, 1e-12)) << got.mean << " " << want.mean;
    EXPECT_TRUE(std::isnan(want.standardDeviation)
                    ? std::isnan(got.standardDeviation)
                    : std::fabs(got.standardDeviation - want.standardDeviation) <= 1e-9 * want.standardDeviation)
        << got.standardDeviation << " " << want.standardDeviation;
    EXPECT_TRUE(near(got.min, want.min, 0) && near(got.minX, want.minX, 0)) << got.min << "@" << got.minX;
    EXPECT_TRUE(near(got.max, want.max, 0) && near(got.maxX, want.maxX, 0)) << got.max << "@" << got.maxX;
    EXPECT_TRUE(near(got.integral, want.integral, 1e-9)) << got.integral << " " << want.integral;
}

// The rows whose X (column 1, or the row number) lies in x1..x2, by X and then by row: the order
// the integral runs in.
std::vector<std::size_t> rowsInX(const DataSet& ds, const std::vector<double>* xs, double x1, double x2) {
    std::vector<std::size_t> rows;
    for (std::size_t r = 1; r <= static_cast<std::size_t>(ds.Layout.DataRowCount); ++r) {
        const double x = xs ? (*xs)[r] : static_cast<double>(r);
        if (x >= x1 && x <= x2) rows.push_back(r);
    }
    if (xs) std::stable_sort(rows.begin(), rows.end(), [&](std::size_t a, std::size_t b) { return (*xs)[a] < (*xs)[b]; });
    return rows;
}

} // namespace

TEST(RangeStatistics, MatchTheDirectComputationOverXRangesAndRowRanges) {
    const int rows = 5000; // several blocks, and ranges that start and end inside them
    for (XShape shape : {XShape::RowNumber, XShape::Sorted, XShape::Unsorted, XShape::Time}) {
        auto owner = randomTable(shape, rows, 17 + static_cast<unsigned>(shape));
        DataSet& ds = *owner;
        const int xColumn = shape == XShape::RowNumber ? 0 : 1;
        const std::vector<double>* x = xColumn ? &ds.Table.Values[1] : nullptr;
        RangeStatisticsIndex index;
        EXPECT_EQ(index.xSorted(ds, xColumn), shape != XShape::Unsorted);
        index.prepare(ds, xColumn, {2, 3}, true); // made at once on several cores: the same results
        std::mt19937 random(99);
        for (int trial = 0; trial < 60; ++trial) {
            int a = static_cast<int>(random() % rows) + 1, b = static_cast<int>(random() % rows) + 1;
            if (trial == 0) a = 1, b = rows; // everything
            if (trial == 1) a = 1025, b = 3072; // whole blocks only
            if (trial == 2) b = a;             // one row
            const std::string where = "shape " + std::to_string(static_cast<int>(shape)) + " rows " + std::to_string(a) +
                                      ".." + std::to_string(b);
            for (int k : {2, 3}) {
                std::vector<std::size_t> byRow(static_cast<std::size_t>(std::abs(b - a) + 1));
                std::iota(byRow.begin(), byRow.end(), static_cast<std::size_t>(std::min(a, b)));
                expectSame(index.overRows(ds, xColumn, k, std::min(a, b), std::max(a, b)), DirectRangeStatistics(x, ds.Table.Values[k], byRow),
                           where + " by row, column " + std::to_string(k));
                // An X range between the X of two random rows (row numbers: with fractions).
                const double x1 = x ? (*x)[static_cast<std::size_t>(a)] : a - 0.5;
                const double x2 = x ? (*x)[static_cast<std::size_t>(b)] : b + 0.25;
                if (std::isnan(x1) || std::isnan(x2)) continue;
                const std::vector<std::size_t> inX = rowsInX(ds, x, std::min(x1, x2), std::max(x1, x2));
                expectSame(index.overX(ds, xColumn, k, x2, x1), DirectRangeStatistics(x, ds.Table.Values[k], inX),
                           where + " by X, column " + std::to_string(k));
            }
        }
    }
}

TEST(RangeStatistics, BuiltApartFromCopiesTakenInOnlyForUnchangedData) {
    for (XShape shape : {XShape::Sorted, XShape::Unsorted})
        for (const bool edited : {false, true}) {
            auto owner = randomTable(shape, 5000, 23);
            DataSet& ds = *owner;
            RangeStatisticsIndex index;
            ds.Changes.addObserver(&index);
            const std::shared_ptr<SummaryBuild> build = index.startBuild(ds, 1, {2, 3}, true);
            ASSERT_TRUE(build);
            while (!build->copySome(1000)) ASSERT_TRUE(index.current(ds, *build));
            if (edited) { // while it runs: the build read its copies, not this
                ds.Table.Values[2][100] = 1e9;
                ds.Changes.statisticsChanged(2);
            }
            build->run();
            EXPECT_EQ(index.finishBuild(ds, *build), !edited);
            if (!edited) {
                EXPECT_TRUE(index.xOrderReady(ds, 1));
                EXPECT_FALSE(index.startBuild(ds, 1, {3}, true)) << "column 3 taken in already";
            }
            const std::vector<double>& x = ds.Table.Values[1];
            for (int k : {2, 3})
                expectSame(index.overX(ds, 1, k, -1e300, 1e300), DirectRangeStatistics(&x, ds.Table.Values[k], rowsInX(ds, &x, -1e300, 1e300)),
                           "shape " + std::to_string(static_cast<int>(shape)) + (edited ? " edited" : "") + " column " + std::to_string(k));
            ds.Changes.removeObserver(&index);
        }
}

TEST(RangeStatistics, FollowEditsAndEmptyRanges) {
    auto owner = randomTable(XShape::Sorted, 3000, 5);
    DataSet& ds = *owner;
    RangeStatisticsIndex index;
    ds.Changes.addObserver(&index);
    EXPECT_EQ(index.overRows(ds, 1, 2, 1, 3000).count + index.overRows(ds, 1, 2, 1, 3000).missing, 3000);

    ds.Table.Values[2][2000] = 1e9; // an edit, announced as the editing commands do
    ds.Changes.statisticsChanged(2);
    RangeStatistics after = index.overRows(ds, 1, 2, 1, 3000);
    EXPECT_EQ(after.max, 1e9);
    EXPECT_EQ(after.maxX, ds.Table.Values[1][2000]);

    // The X column edited: the X order and the integrals follow.
    ds.Table.Values[1][3000] += 1000;
    ds.Changes.statisticsChanged(1);
    std::vector<std::size_t> all(3000);
    std::iota(all.begin(), all.end(), 1);
    expectSame(index.overRows(ds, 1, 2, 1, 3000), DirectRangeStatistics(&ds.Table.Values[1], ds.Table.Values[2], all),
               "after an X edit");

    // Empty ranges: before the first X, rows beyond the table, a missing-only range.
    EXPECT_EQ(index.overX(ds, 1, 2, -10, -5).count, 0);
    EXPECT_TRUE(std::isnan(index.overX(ds, 1, 2, -10, -5).mean));
    EXPECT_EQ(index.overRows(ds, 1, 2, 4000, 5000).count, 0);
    for (std::size_t r = 10; r <= 12; ++r) ds.Table.Values[2][r] = std::nan("");
    ds.Changes.statisticsChanged(2);
    const RangeStatistics gap = index.overRows(ds, 1, 2, 10, 12);
    EXPECT_EQ(gap.count, 0);
    EXPECT_EQ(gap.missing, 3);
    EXPECT_EQ(gap.integral, 0);

    // Rows appended at the end, as a followed file grows (twice, the last old row completed too):
    // the summaries grow and give what new ones would.
    for (int grow : {700, 1300}) {
        const int before = ds.Layout.DataRowCount;
        for (int k = 1; k <= 3; ++k) ds.Table.Values[k].resize(static_cast<std::size_t>(before + grow) + 1);
        for (int r = before; r <= before + grow; ++r) {
            const auto i = static_cast<std::size_t>(r);
            ds.Table.Values[1][i] = ds.Table.Values[1][i - 1] + 0.5;
            ds.Table.Values[2][i] = r % 7 == 0 ? std::nan("") : std::sin(r * 0.1) * 3;
            ds.Table.Values[3][i] = -r;
        }
        ds.Layout.DataRowCount = before + grow;
        ds.Changes.rowsInserted(before + 1, before + grow);
        ds.Changes.statisticsChanged(0);
        std::vector<std::size_t> rows(static_cast<std::size_t>(before + grow) - 1000);
        std::iota(rows.begin(), rows.end(), 1001);
        for (int k : {2, 3})
            expectSame(index.overRows(ds, 1, k, 1001, before + grow),
                       DirectRangeStatistics(&ds.Table.Values[1], ds.Table.Values[k], rows), "after rows appended");
    }
    ds.Changes.removeObserver(&index);
}

TEST(RangeStatistics, ReadoutTextsAndLogarithmicPoints) {
    struct Case {
        double seconds;
        const char* text;
    } durations[] = {{12.5, "12.5 s"}, {-3, "-3 s"}, {150, "0:02:30"}, {3723.25, "1:02:03.25"},
                     {90061, "1 d 01:01:01"}, {59.9996 + 60, "0:02:00"}};
    for (const Case& c : durations) EXPECT_EQ(DurationText(c.seconds, '.'), c.text) << c.seconds;

    auto owner = randomTable(XShape::Time, 3, 1);
    DataSet& ds = *owner;
    ds.Layout.ColumnNames[2] = "Temp";
    ds.Layout.ColumnLabels[2] = "degC";
    EXPECT_EQ(HoverReadoutText(ds, 2, -2.2, 1, 1794628800), "Temp = -2.2 degC at 2026-11-14T04:00:00");
    EXPECT_EQ(HoverReadoutText(ds, 3, 5, 0, 17), "Series3 = 5 at row 17");

    // Values of 0 or less leave the curve, breaking it; the rest become their logarithms.
    CurvePoints points;
    points.rowNumberX = true;
    points.y = {1, 10, 0, 100, -5, 1000};
    std::size_t leftOut = 0;
    const CurvePoints log = LogCurvePoints(points, false, true, &leftOut);
    EXPECT_EQ(leftOut, 2u);
    EXPECT_EQ(log.y, (std::vector<double>{0, 1, 2, 3}));
    EXPECT_EQ(log.x, (std::vector<double>{1, 2, 4, 6}));
    EXPECT_EQ(log.pieces, (std::vector<CurvePiece>{{0, 2}, {2, 3}, {3, 4}}));
}
