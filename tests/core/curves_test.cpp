// Chart curve rules: drawn and listed columns, curve points, titles and the point readout text.
#include "curves.h"
#include "loader.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <memory>

#include <cmath>
#include <limits>
#include <tuple>

using namespace varnotile;

namespace {

// A data set loaded from `bytes`, with the view the window starts with.
// Data sets cannot be moved, so they are handed out on the heap.
std::unique_ptr<DataSet> loaded(const std::string& bytes) {
    static varnotile::test::TempDir dir;
    auto owner = std::make_unique<DataSet>();
    DataSet& ds = *owner;
    ds.View.CurveVisible.fill(true);
    ds.Layout.ColumnNames[0] = "Row";
    ds.View.PercentScale = true;
    ds.View.ShowCurveNames = true;
    ds.View.ShowChartTitle = true;
    ds.File.CurrentFileName = dir.write("c.csv", bytes);
    EXPECT_EQ(LoadDataFile(ds).status, LoadOutcome::Status::Loaded);
    return owner;
}

std::vector<double> xs(const CurvePoints& p) {
    std::vector<double> out;
    for (std::size_t i = 0; i < p.size(); ++i) out.push_back(p.xAt(i));
    return out;
}

const char* kThreeColumns = "A,B,C\nm,,\n-50,-8,0\n25,-3,0\n100,-8,0\n0,-3,0\n";

} // namespace

// --- points ---------------------------------------------------------------------------------

TEST(CurvePoints, PercentScaleAndRowNumbers) {
    auto dsOwner = loaded(kThreeColumns);
    DataSet& ds = *dsOwner;
    CurvePoints a = CurvePointsFor(ds, 1);
    EXPECT_TRUE(a.rowNumberX);
    EXPECT_EQ(xs(a), (std::vector<double>{1, 2, 3, 4}));
    EXPECT_EQ(a.y, (std::vector<double>{-50, 25, 100, 0}));
    EXPECT_EQ(CurvePointsFor(ds, 2).y, (std::vector<double>{-100, -37.5, -100, -37.5}));
    EXPECT_EQ(CurvePointsFor(ds, 3).y, (std::vector<double>{0, 0, 0, 0})); // all zeros: divisor 1.0

    ds.View.PercentScale = false;
    EXPECT_EQ(CurvePointsFor(ds, 2).y, (std::vector<double>{-8, -3, -8, -3}));
}

TEST(CurvePoints, PercentScaleOfMagnitudesNearTheLargestDouble) {
    // 100 times such a value overflows; the column is drawn as one of smaller magnitude is.
    for (const char* file : {"A\nm\n1e308\n-1e308\n5e307\n0\n", "A\nm\n1e306\n-1e306\n5e305\n0\n"}) {
        auto dsOwner = loaded(file);
        DataSet& ds = *dsOwner;
        EXPECT_EQ(CurvePointsFor(ds, 1).y, (std::vector<double>{100, -100, 50, 0})) << file;
        const std::optional<CurveSource> source = CurveSourceFor(ds, 1);
        ASSERT_TRUE(source && source->count == 4) << file;
        EXPECT_TRUE(source->pieces.empty()) << file;
        EXPECT_EQ(source->minY, -100) << file;
        EXPECT_EQ(source->maxY, 100) << file;
        EXPECT_EQ(source->yAt(2), 50) << file;
    }
    EXPECT_EQ(PointReadoutText("A", 2, -100, 0, true, 1e308, '.'), "A:  row-2,  Value--1E308  (-100.000%)");
}

TEST(CurvePoints, XFromAColumnKeepsRowOrder) {
    auto dsOwner = loaded("3,10\n1,20\n2,30\n1,40\n5,50\n");
    DataSet& ds = *dsOwner;
    ds.View.PercentScale = false;
    ds.View.XColumn = 1;
    CurvePoints p = CurvePointsFor(ds, 2);
    EXPECT_FALSE(p.rowNumberX);
    EXPECT_EQ(p.x, (std::vector<double>{3, 1, 2, 1, 5})); // back and forth, unsorted
    EXPECT_EQ(p.y, (std::vector<double>{10, 20, 30, 40, 50}));
    EXPECT_EQ(CurvePointsFor(ds, 1).size(), 0u); // the X column has no curve of its own
}

TEST(CurvePoints, SourcesMadeWithSharedFactsAreTheOwnOnes) {
    // X ascending, back and forth, with a missing X, with a blank line; row numbers; a text X.
    const char* files[] = {"1,10,5\n2,20,6\n2,30,7\n4,40,8\n5,50,9\n", "3,10,5\n1,20,6\n2,30,7\n1,40,8\n5,50,9\n",
                           "1,10,5\n2,20,6\n,30,7\n4,40,8\n5,50,9\n", "1,10,5\n2,20,6\n\n3,30,7\n4,40,8\n5,50,9\n",
                           "x,10,5\ny,20,6\nz,30,7\nw,40,8\nv,50,9\n"};
    for (const char* file : files)
        for (int x : {0, 1}) {
            auto dsOwner = loaded(file);
            DataSet& ds = *dsOwner;
            ds.View.XColumn = x;
            const SharedCurveFacts shared = SharedCurveFactsFor(ds);
            for (int k = 1; k <= 3; ++k) {
                const std::optional<CurveSource> own = CurveSourceFor(ds, k), withShared = CurveSourceFor(ds, k, &shared);
                ASSERT_EQ(own.has_value(), withShared.has_value()) << file << x << k;
                if (!own) continue;
                EXPECT_EQ(std::tie(own->count, own->minX, own->maxX, own->minY, own->maxY, own->xAscending, own->pieces),
                          std::tie(withShared->count, withShared->minX, withShared->maxX, withShared->minY,
                                   withShared->maxY, withShared->xAscending, withShared->pieces))
                    << file << " x " << x << " k " << k;
            }
        }
}

TEST(CurvePoints, XColumnThatIsNotNumericHereDrawsAtZero) {
    auto dsOwner = loaded("x,1\ny,2\nz,3\nw,4\nv,5\n");
    DataSet& ds = *dsOwner;
    ds.View.XColumn = 1; // a text column
    EXPECT_EQ(CurvePointsFor(ds, 2).x, (std::vector<double>(5, 0.0)));
    ds.View.XColumn = 7; // beyond the file's columns
    EXPECT_EQ(CurvePointsFor(ds, 2).x, (std::vector<double>(5, 0.0)));
}

TEST(CurvePoints, HiddenDeletedOutOfRangeAndNonFinite) {
    auto dsOwner = loaded(kThreeColumns);
    DataSet& ds = *dsOwner;
    ds.View.CurveVisible[2] = false;
    EXPECT_EQ(CurvePointsFor(ds, 2).size(), 0u);
    ds.Layout.ColumnPresent[1] = false; // deleted: still drawn (undo of a deletion relies on it), not listed
    EXPECT_EQ(CurvePointsFor(ds, 1).size(), 4u);
    EXPECT_TRUE(ColumnIsDrawn(ds, 1));
    EXPECT_FALSE(ColumnIsListed(ds, 1));
    for (int k : {-1, 0, 11, 20, 1000}) EXPECT_EQ(CurvePointsFor(ds, k).size(), 0u) << k;

    ds.Table.Values[1][2] = std::numeric_limits<double>::infinity();
    CurvePoints p = CurvePointsFor(ds, 1);
    EXPECT_FALSE(p.rowNumberX);
    EXPECT_EQ(p.x, (std::vector<double>{1, 3, 4})); // row numbers stay true after a left-out point
    for (double y : p.y) EXPECT_TRUE(std::isfinite(y));
}

// --- titles ---------------------------------------------------------------------------------

TEST(CurveTitles, AxisAndLegendTexts) {
    auto dsOwner = loaded("A,B\nm,\n1,2\n3,4\n5,6\n7,8\n");
    DataSet& ds = *dsOwner;
    EXPECT_EQ(YAxisTitle(ds), "%");
    ds.View.PercentScale = false;
    EXPECT_EQ(YAxisTitle(ds), "A(m)  B  ");
    EXPECT_EQ(XAxisTitle(ds), "Row    ");
    EXPECT_EQ(CurveTitle(ds, 1), "A");
    EXPECT_EQ(CurveTitle(ds, 3), " "); // not listed
    ds.View.CurveVisible[1] = false;
    EXPECT_EQ(YAxisTitle(ds), "B  ");
    EXPECT_EQ(CurveTitle(ds, 1), " ");
    ds.View.CurveVisible[1] = true;
    ds.View.XColumn = 1;
    EXPECT_EQ(XAxisTitle(ds), "A  m  ");
    EXPECT_EQ(YAxisTitle(ds), "B  ");
    EXPECT_EQ(CurveTitle(ds, 1), " ");
}

TEST(CurveTitles, NoHeaderLinesAndNoFile) {
    auto dsOwner = loaded("1,2\n3,4\n5,6\n7,8\n9,10\n");
    DataSet& ds = *dsOwner;
    ds.View.PercentScale = false;
    EXPECT_EQ(YAxisTitle(ds), "    "); // two spaces per listed curve
    EXPECT_EQ(CurveLegendText(ds, 2), "Series2");
    EXPECT_EQ(CurveLegendText(ds, 4), " ");
    EXPECT_TRUE(LegendShown(ds));
    ds.File.CurrentFileName.clear();
    EXPECT_FALSE(LegendShown(ds));
}

// --- readout --------------------------------------------------------------------------------

TEST(PointReadout, SeriesNumbersCompareWholeNames) {
    EXPECT_EQ(SeriesNumberFromName("Series10"), 10);
    EXPECT_EQ(SeriesNumberFromName("Series1"), 1);
    EXPECT_EQ(SeriesNumberFromName("Series7"), 7);
    EXPECT_EQ(SeriesNumberFromName("Chart1"), 1);
}

TEST(PointReadout, Texts) {
    EXPECT_EQ(PointReadoutText("Temp", 17, 47, 0, true, 50, '.'), "Temp:  row-17,  Value-23.5  (47.000%)");
    EXPECT_EQ(PointReadoutText("Temp", 17, 23.5, 0, false, 50, '.'), "Temp:  row-17,  Value-23.5");
    EXPECT_EQ(PointReadoutText("Load", 0.25, -12.5, 2, true, 8, ','), "Load:  X-0,25,  Value--1  (-12,500%)");
    // A time column as X names the point's time.
    EXPECT_EQ(PointReadoutText("T", 1794643210.5, 2, 1, false, 8, '.', TimeKind::YearFirst),
              "T:  X-2026-11-14T08:00:10.5,  Value-2");
}
