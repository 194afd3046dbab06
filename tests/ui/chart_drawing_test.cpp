// How curves are drawn: the bit canvas that sets long back-and-forth curves and dense lines
// (connected, thin, on the line, cut at the edges), the chart's pictures of such curves
// against what Qt's own aliased lines give for the same points, presses on drawn pixels, and
// the value axis' labels.
#include "curve_chart.h"
#include "line_mask.h"
#include "loader.h"
#include "test_files.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>

#include <gtest/gtest.h>

#include <memory>

#include <cmath>
#include <queue>
#include <random>
#include <set>

using namespace varnotile;

namespace {

using Pixel = std::pair<int, int>;

std::set<Pixel> setPixels(const LineMask& mask) {
    std::set<Pixel> out;
    for (int y = 0; y < mask.height(); ++y)
        for (int x = 0; x < mask.width(); ++x)
            if (mask.pixel(x, y)) out.insert({x, y});
    return out;
}

// Every pixel of `pixels` reachable from `from` through neighbours (diagonals included).
bool connected(const std::set<Pixel>& pixels, Pixel from) {
    if (!pixels.count(from)) return false;
    std::set<Pixel> seen{from};
    std::queue<Pixel> queue;
    queue.push(from);
    while (!queue.empty()) {
        const Pixel p = queue.front();
        queue.pop();
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy) {
                const Pixel q{p.first + dx, p.second + dy};
                if (pixels.count(q) && seen.insert(q).second) queue.push(q);
            }
    }
    return seen.size() == pixels.size();
}

// Distance of the middle of pixel p from the segment a-b.
double distanceToSegment(Pixel p, double ax, double ay, double bx, double by) {
    const double px = p.first + 0.5, py = p.second + 0.5;
    const double dx = bx - ax, dy = by - ay;
    const double len2 = dx * dx + dy * dy;
    const double t = len2 > 0 ? std::clamp(((px - ax) * dx + (py - ay) * dy) / len2, 0.0, 1.0) : 0.0;
    return std::hypot(ax + t * dx - px, ay + t * dy - py);
}

Pixel pixelOf(double x, double y) { return {static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y))}; }

} // namespace

TEST(LineMask, LinesAreConnectedThinAndOnTheSegment) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> across(0.0, 149.999), down(0.0, 69.999);
    for (int n = 0; n < 400; ++n) {
        const double ax = across(random), ay = down(random);
        // Short lines (the usual step of a curve) as well as long ones, every direction.
        const double reach = n % 2 ? 6.0 : 200.0;
        const double bx = std::clamp(ax + std::uniform_real_distribution<double>(-reach, reach)(random), 0.0, 149.999);
        const double by = std::clamp(ay + std::uniform_real_distribution<double>(-reach, reach)(random), 0.0, 69.999);
        LineMask mask(150, 70);
        mask.addLine(ax, ay, bx, by);
        const std::set<Pixel> pixels = setPixels(mask);
        SCOPED_TRACE(testing::Message() << ax << "," << ay << " - " << bx << "," << by);
        EXPECT_TRUE(pixels.count(pixelOf(ax, ay)));
        EXPECT_TRUE(pixels.count(pixelOf(bx, by)));
        EXPECT_TRUE(connected(pixels, pixelOf(ax, ay)));
        for (const Pixel& p : pixels) EXPECT_LE(distanceToSegment(p, ax, ay, bx, by), 1.0);
        const int steps = std::max(std::abs(pixelOf(bx, by).first - pixelOf(ax, ay).first),
                                   std::abs(pixelOf(bx, by).second - pixelOf(ax, ay).second));
        EXPECT_LE(static_cast<int>(pixels.size()), steps + steps / 2 + 2) << "thin";
    }
}

TEST(LineMask, PolylineJoinsItsPointsInOrder) {
    std::mt19937 random(11);
    std::vector<double> xs, ys;
    double x = 70, y = 40;
    for (int i = 0; i < 300; ++i) {
        // Mostly small steps back and forth, now and then a jump across the canvas.
        const double reach = i % 17 == 0 ? 120.0 : 3.0;
        x = std::clamp(x + std::uniform_real_distribution<double>(-reach, reach)(random), 0.0, 139.9);
        y = std::clamp(y + std::uniform_real_distribution<double>(-reach, reach)(random), 0.0, 79.9);
        xs.push_back(x);
        ys.push_back(y);
    }
    LineMask mask(140, 80);
    mask.addPolyline(xs.data(), ys.data(), xs.size(), {1, 0, 1, 0});
    const std::set<Pixel> pixels = setPixels(mask);
    EXPECT_TRUE(connected(pixels, pixelOf(xs[0], ys[0])));
    for (std::size_t i = 0; i < xs.size(); ++i) EXPECT_TRUE(pixels.count(pixelOf(xs[i], ys[i]))) << i;
    // Each set pixel lies on a line between the middles of two consecutive points' pixels.
    for (const Pixel& p : pixels) {
        double nearest = 1e9;
        for (std::size_t i = 1; i < xs.size(); ++i) {
            const Pixel a = pixelOf(xs[i - 1], ys[i - 1]), b = pixelOf(xs[i], ys[i]);
            nearest = std::min(nearest, distanceToSegment(p, a.first + 0.5, a.second + 0.5, b.first + 0.5, b.second + 0.5));
        }
        EXPECT_LE(nearest, 0.75) << p.first << "," << p.second;
    }

    // Two halves sharing the middle point, set apart and merged, give the same picture.
    LineMask firstHalf(140, 80), secondHalf(140, 80);
    const std::size_t middle = xs.size() / 2;
    firstHalf.addPolyline(xs.data(), ys.data(), middle + 1, {1, 0, 1, 0});
    secondHalf.addPolyline(xs.data() + middle, ys.data() + middle, xs.size() - middle, {1, 0, 1, 0});
    firstHalf.merge(secondHalf);
    EXPECT_EQ(setPixels(firstHalf), pixels);

    // Without X values the X of point i is i + 1; the scale maps both.
    std::vector<double> rowXs;
    for (std::size_t i = 0; i < ys.size(); ++i) rowXs.push_back(static_cast<double>(i + 1));
    LineMask byRow(140, 80), explicitRows(140, 80);
    byRow.addPolyline(nullptr, ys.data(), ys.size(), {0.4, 3, -0.5, 75});
    explicitRows.addPolyline(rowXs.data(), ys.data(), ys.size(), {0.4, 3, -0.5, 75});
    EXPECT_EQ(setPixels(byRow), setPixels(explicitRows));
    EXPECT_FALSE(setPixels(byRow).empty());
}

TEST(LineMask, LongCurveIsItsLinesEachDrawnAlone) {
    // Thousands of points in runs of every kind: jumping across, creeping within a pixel,
    // leaving the canvas and coming back. The curve must be exactly its lines drawn one by one.
    std::mt19937 random(5);
    std::vector<double> xs, ys;
    double x = 60, y = 30;
    for (int i = 0; i < 6000; ++i) {
        const int phase = (i / 700) % 3;
        const double reach = phase == 0 ? 9.0 : phase == 1 ? 0.3 : 40.0;
        x = std::clamp(x + std::uniform_real_distribution<double>(-reach, reach)(random), -30.0, 150.0);
        y = std::clamp(y + std::uniform_real_distribution<double>(-reach / 3, reach / 3)(random), -20.0, 80.0);
        xs.push_back(x);
        ys.push_back(y);
    }
    LineMask whole(120, 60), oneByOne(120, 60);
    whole.addPolyline(xs.data(), ys.data(), xs.size(), {1, 0, 1, 0});
    for (std::size_t i = 1; i < xs.size(); ++i) oneByOne.addPolyline(xs.data() + i - 1, ys.data() + i - 1, 2, {1, 0, 1, 0});
    EXPECT_EQ(setPixels(whole), setPixels(oneByOne));
    EXPECT_GT(setPixels(whole).size(), 1000u);
}

TEST(LineMask, LinesLeavingTheCanvasAreCutAtItsEdges) {
    LineMask mask(100, 50);
    mask.addLine(-1e8, 20.5, 1e8, 20.5);        // across, far beyond both edges
    mask.addLine(30.5, -1e7, 30.5, 1e7);        // down
    mask.addLine(-50, -50, -10, 200);           // left of the canvas: nothing
    const std::set<Pixel> pixels = setPixels(mask);
    for (int x = 0; x < 100; ++x) EXPECT_TRUE(pixels.count({x, 20})) << x;
    for (int y = 0; y < 50; ++y) EXPECT_TRUE(pixels.count({30, y})) << y;
    EXPECT_EQ(pixels.size(), 100u + 50u - 1u);
    LineMask extreme(100, 50);
    extreme.addLine(-1e300, -1e300, 1e300, 1e300);
    extreme.addLine(-1e300, 1e300, 1e300, -1e308);
    EXPECT_LE(setPixels(extreme).size(), 300u); // nothing outside, no crash

    // A curve running far out and back in: the parts over the canvas are drawn and join.
    const double xs[] = {10.5, 1e12, -1e12, 90.5, 90.5};
    const double ys[] = {10.5, 10.5, 40.5, 40.5, 5.5};
    LineMask curve(100, 50);
    curve.addPolyline(xs, ys, 5, {1, 0, 1, 0});
    const std::set<Pixel> drawn = setPixels(curve);
    EXPECT_TRUE(drawn.count({99, 10}) && drawn.count({0, 40}) && drawn.count({90, 5}));
    EXPECT_TRUE(drawn.count({50, 25}) || drawn.count({50, 26})); // the line between the far points
    EXPECT_FALSE(drawn.count({50, 45}));
    LineMask empty(0, 0);
    empty.addPolyline(xs, ys, 5, {1, 0, 1, 0});
    empty.addLine(0, 0, 1, 1);
    EXPECT_TRUE(empty.toImage(qRgb(1, 2, 3), nullptr).isNull());
}

TEST(LineMask, ImageCoversJustTheSetPixels) {
    LineMask mask(200, 120);
    QPoint origin(-1, -1);
    EXPECT_TRUE(mask.toImage(qRgb(255, 0, 0), &origin).isNull());
    mask.addLine(70.2, 30.7, 150.9, 33.1); // shallow: stored by rows
    mask.addLine(150.9, 33.1, 140.2, 100.4); // steep: stored by columns
    const QImage image = mask.toImage(qRgb(10, 200, 30), &origin);
    EXPECT_EQ(origin, QPoint(70, 30));
    EXPECT_EQ(image.size(), QSize(150 - 70 + 1, 100 - 30 + 1));
    int opaque = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            EXPECT_EQ(mask.pixel(x + origin.x(), y + origin.y()), qAlpha(c) == 255);
            if (qAlpha(c) == 255) {
                EXPECT_EQ(c, qRgb(10, 200, 30));
                ++opaque;
            } else {
                EXPECT_EQ(qAlpha(c), 0);
            }
        }
    EXPECT_EQ(static_cast<std::size_t>(opaque), setPixels(mask).size());

    // Many shallow and steep lines over more than 64 rows and columns, the box off the word grid.
    LineMask many(300, 200);
    for (int i = 0; i < 40; ++i) {
        const double ax = 67 + (i * 37) % 211 + 0.3, ay = 5 + (i * 53) % 180 + 0.6;
        many.addLine(ax, ay, ax + (i % 2 ? 3.1 : 55.7) * ((i % 3) - 1), ay + (i % 2 ? 90.2 : 4.4) * ((i % 5) - 2));
    }
    const QImage wide = many.toImage(qRgb(1, 2, 3), &origin);
    std::size_t setInImage = 0;
    for (int y = 0; y < wide.height(); ++y)
        for (int x = 0; x < wide.width(); ++x) {
            const bool set = qAlpha(wide.pixel(x, y)) == 255;
            EXPECT_EQ(many.pixel(x + origin.x(), y + origin.y()), set) << x + origin.x() << "," << y + origin.y();
            setInImage += set ? 1 : 0;
        }
    EXPECT_EQ(setInImage, setPixels(many).size());
}

namespace {

constexpr int kRows = 20000;

// Column 1 sweeps back and forth five times, column 2 climbs and oscillates.
// Data sets cannot be moved, so they are handed out on the heap.
std::unique_ptr<DataSet> denseDataSet(int xColumn) {
    auto owner = std::make_unique<DataSet>();
    DataSet& ds = *owner;
    ds.File.CurrentFileName = "/tmp/drawing.csv";
    ds.Layout.ColumnCount = 2;
    ds.Layout.DataRowCount = kRows;
    ds.File.LineCount = kRows;
    ds.View.XColumn = xColumn;
    ds.View.PercentScale = false;
    ds.View.CurveVisible.fill(true);
    ds.View.CurveVisible[1] = false; // only column 2 is drawn
    ds.View.CurveColors[2] = 0x0000FF; // red (0x00BBGGRR)
    for (int k = 1; k <= 2; ++k) {
        auto& v = ds.Table.Values[k];
        ds.Layout.ColumnIsNumeric[k] = true;
        v.assign(kRows + 1, 0.0);
        for (int r = 1; r <= kRows; ++r)
            v[static_cast<std::size_t>(r)] = k == 1 ? std::abs(r % 8000 - 4000) / 40.0
                                                   : 0.01 * r + 3 * std::sin(r * 0.05) + std::cos(r * 1.3);
        const auto [lo, hi] = std::minmax_element(v.begin() + 1, v.end());
        ds.Table.ColumnMin[k] = *lo;
        ds.Table.ColumnMax[k] = *hi;
        ds.Table.ColumnAbsMax[k] = std::max(std::fabs(*lo), std::fabs(*hi));
    }
    return owner;
}

// The pixels of `color` inside `area`.
std::set<Pixel> colored(const QImage& image, QRgb color, const QRect& area) {
    std::set<Pixel> out;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == (color & 0xFFFFFF)) out.insert({x, y});
    return out;
}

// How many of `pixels` have no pixel of `other` at most one step away.
int strays(const std::set<Pixel>& pixels, const std::set<Pixel>& other) {
    int count = 0;
    for (const Pixel& p : pixels) {
        bool near = false;
        for (int dx = -1; dx <= 1 && !near; ++dx)
            for (int dy = -1; dy <= 1 && !near; ++dy) near = other.count({p.first + dx, p.second + dy}) > 0;
        count += near ? 0 : 1;
    }
    return count;
}

// `rescale`: draw once, then give the value axis another range before the picture compared.
void expectLikeQtLines(int xColumn, bool rescale = false) {
    const auto dsOwner = denseDataSet(xColumn);
    const DataSet& ds = *dsOwner;
    CurveChart chart;
    chart.resize(640, 420);
    chart.showDataSet(ds);
    chart.replot();
    if (rescale) {
        chart.toPixmap(640, 420);
        const QCPRange range = chart.yAxis->range();
        // Shifted so that the tick labels (and so the plot's width) stay as they were, and the
        // curve's start runs off the bottom of the plot.
        chart.yAxis->setRange(range.lower + range.size() * 0.3, range.upper + range.size() * 0.3);
        chart.replot();
    }
    const QImage drawn = chart.toPixmap(640, 420).toImage().convertToFormat(QImage::Format_RGB32);

    // The same points through the same axes, joined by Qt's aliased one-pixel lines.
    const CurvePlottable* curve = chart.curve(2);
    ASSERT_EQ(curve->pointCount(), kRows);
    QImage reference(drawn.size(), QImage::Format_RGB32);
    reference.fill(Qt::white);
    {
        QPainter painter(&reference);
        painter.setPen(QPen(Qt::red, 1));
        painter.setClipRect(chart.axisRect()->rect());
        std::vector<QPointF> points;
        for (int i = 0; i < kRows; ++i)
            points.emplace_back(chart.xAxis->coordToPixel(curve->pointX(i)), chart.yAxis->coordToPixel(curve->pointY(i)));
        painter.drawPolyline(points.data(), static_cast<int>(points.size()));
    }
    const QRect area = chart.axisRect()->rect().adjusted(1, 1, -1, -1);
    const std::set<Pixel> ours = colored(drawn, qRgb(255, 0, 0), area);
    const std::set<Pixel> qts = colored(reference, qRgb(255, 0, 0), area);
    ASSERT_GT(qts.size(), 2000u);
    // The two may round a point to neighbouring pixels, and Qt leaves out an end pixel here and
    // there; farther apart is a fault.
    EXPECT_LE(strays(ours, qts), static_cast<int>(ours.size() / 100)) << "drawn where Qt draws nothing";
    EXPECT_LE(strays(qts, ours), static_cast<int>(qts.size() / 100)) << "missing where Qt draws";
}

} // namespace

TEST(ChartDrawing, BackAndForthCurveLooksLikeQtsOwnLines) { expectLikeQtLines(1); }

TEST(ChartDrawing, DenseCurveOverRowNumbersLooksLikeQtsOwnLines) { expectLikeQtLines(0); }

// The points a dense curve keeps per pixel column are kept over a new value scale: the picture
// after the change must still be the curve's.
TEST(ChartDrawing, DenseCurveIsRightAfterTheValueAxisChanged) { expectLikeQtLines(0, true); }

TEST(ChartDrawing, EveryShownCurveIsDrawnAfterAllWereRefilled) {
    // Several curves brought up to date together (in parallel) each land in their own colour.
    auto dsOwner = denseDataSet(0);
    DataSet& ds = *dsOwner;
    ds.View.CurveVisible[1] = true;
    ds.View.CurveColors[1] = 0xFF0000; // blue
    CurveChart chart;
    chart.resize(500, 360);
    chart.showDataSet(ds);
    const QImage first = chart.toPixmap(500, 360).toImage().convertToFormat(QImage::Format_RGB32);
    const QRect area = chart.axisRect()->rect().adjusted(1, 1, -1, -1);
    EXPECT_GT(colored(first, qRgb(255, 0, 0), area).size(), 500u);
    EXPECT_GT(colored(first, qRgb(0, 0, 255), area).size(), 500u);
    for (int k = 1; k <= 2; ++k) {
        chart.clearCurve(k);
        chart.fillCurve(ds, k);
    }
    EXPECT_EQ(chart.toPixmap(500, 360).toImage().convertToFormat(QImage::Format_RGB32), first);
}

namespace {

// One curve of `rows` points over row numbers, on the percent scale, from 20 % up to the top
// edge (100 %), down to the bottom edge (-50 %) and up to 30 % at the right edge.
std::unique_ptr<DataSet> edgeDataSet(int rows) {
    auto ds = std::make_unique<DataSet>();
    ds->File.CurrentFileName = "/tmp/edges.csv";
    ds->Layout.ColumnCount = 1;
    ds->Layout.DataRowCount = rows;
    ds->File.LineCount = rows;
    ds->View.CurveVisible.fill(true);
    ds->View.CurveColors[1] = 0x0000FF; // red
    ds->Layout.ColumnIsNumeric[1] = true;
    auto& v = ds->Table.Values[1];
    v.assign(static_cast<std::size_t>(rows) + 1, 0.0);
    const double knots[] = {20, 100, 100, -50, -50, 30};
    for (int r = 1; r <= rows; ++r) {
        const double t = 5.0 * (r - 1) / (rows - 1);
        const int at = std::min(4, static_cast<int>(t));
        // A dense curve wiggles within its pixel columns, so that it is drawn as an image.
        const double wiggle = rows > 100 && r > 1 && r < rows ? (r % 2 ? 0.2 : -0.2) : 0.0;
        const double value = knots[at] + (knots[at + 1] - knots[at]) * (t - at) + wiggle;
        v[static_cast<std::size_t>(r)] = std::clamp(value, -50.0, 100.0);
    }
    ds->Table.ColumnMin[1] = -50;
    ds->Table.ColumnMax[1] = 100;
    ds->Table.ColumnAbsMax[1] = 100;
    return ds;
}

} // namespace

TEST(ChartDrawing, EveryDrawnPixelOfACurveAnswersAPress) {
    for (const int rows : {6, 3000}) { // drawn as lines, and as an image of a dense line
        SCOPED_TRACE(rows);
        const auto ds = edgeDataSet(rows);
        CurveChart chart;
        chart.resize(600, 400);
        chart.showDataSet(*ds);
        const QImage image = chart.grab().toImage().convertToFormat(QImage::Format_RGB32);
        int answered = 0;
        QObject::connect(&chart, &CurveChart::curvePressed,
                         [&](CurvePlottable* c, int) { answered += c == chart.curve(1); });
        auto pressAt = [&](int x, int y) {
            const int before = answered;
            const QPointF at(x, y);
            const QPointF global = chart.mapToGlobal(at);
            QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&chart, &press);
            QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(&chart, &release);
            return answered > before;
        };

        // The pixel of each edge point, rounded as the drawing rounds a coordinate.
        const CurvePlottable* curve = chart.curve(1);
        auto pixelOfPoint = [&](int i) {
            return pixelOf(chart.xAxis->coordToPixel(curve->pointX(i)), chart.yAxis->coordToPixel(curve->pointY(i)));
        };
        const QRect plot = chart.axisRect()->rect();
        const std::vector<double>& v = ds->Table.Values[1]; // v[r] is point r - 1
        const int top = static_cast<int>(std::max_element(v.begin() + 1, v.end()) - v.begin()) - 1;
        const int bottom = static_cast<int>(std::min_element(v.begin() + 1, v.end()) - v.begin()) - 1;
        const Pixel topPixel = pixelOfPoint(top);
        EXPECT_EQ(topPixel.second, plot.top() - 1); // the value axis' upper end
        for (const int i : {top, bottom, 0, curve->pointCount() - 1}) {
            const Pixel p = pixelOfPoint(i);
            EXPECT_TRUE(pressAt(p.first, p.second)) << "point " << i << " at " << p.first << "," << p.second;
        }

        // Every pixel drawn in the curve's colour (mostly: smoothed lines blend it) answers.
        std::set<Pixel> drawn;
        const QRect around = plot.adjusted(-2, -2, 2, 2);
        for (int y = around.top(); y <= around.bottom(); ++y)
            for (int x = around.left(); x <= around.right(); ++x) {
                const QRgb c = image.pixel(x, y);
                if (qRed(c) > 200 && qGreen(c) < 160 && qBlue(c) < 160) drawn.insert({x, y});
            }
        ASSERT_GT(drawn.size(), 400u);
        EXPECT_TRUE(drawn.count(topPixel)) << "top edge drawn";
        std::vector<Pixel> unanswered;
        for (const Pixel& p : drawn)
            if (!pressAt(p.first, p.second)) unanswered.push_back(p);
        EXPECT_TRUE(unanswered.empty()) << unanswered.size() << " pixels, first " << unanswered.front().first << ","
                                        << unanswered.front().second;
        EXPECT_FALSE(pressAt(plot.left() + 5, plot.top() + 5)); // far from the curve
    }
}

// The value axis labels at least two ticks over any range; where it spans 2 or more, its labels
// stand at least 1.0 apart.
TEST(ChartDrawing, ValueAxisLabelsAtLeastTwoTicks) {
    CurveChart chart;
    chart.resize(600, 400);
    for (const QCPRange& range : {QCPRange(0.1, 0.5), QCPRange(0.5, 1.8), QCPRange(-0.003, 0.002), QCPRange(0, 2),
                                  QCPRange(99.5, 101.6), QCPRange(3, 40), QCPRange(-2e6, 5e6)}) {
        SCOPED_TRACE(testing::Message() << range.lower << ".." << range.upper);
        chart.yAxis->setRange(range);
        chart.replot();
        const QVector<double> ticks = chart.yAxis->tickVector();
        const QVector<QString> labels = chart.yAxis->tickVectorLabels();
        std::vector<double> labelled;
        for (int i = 0; i < ticks.size(); ++i)
            if (range.contains(ticks[i]) && !labels.value(i).isEmpty()) labelled.push_back(ticks[i]);
        EXPECT_GE(labelled.size(), 2u);
        if (range.size() >= 2)
            for (std::size_t i = 1; i < labelled.size(); ++i) EXPECT_GE(labelled[i] - labelled[i - 1], 1.0 - 1e-9);
    }
}

// A curve reads its points from the data set: on any scale and X column they are exactly the
// points a copy would hold, and drawn alike; values changed or moved under it (as an edit or a
// deletion does before the window refills) are never read beyond their end, and a refill shows
// the new ones.
TEST(ChartDrawing, CurveReadsTheDataSetsValuesAsACopyWould) {
    for (const int xColumn : {0, 1}) {
        SCOPED_TRACE(xColumn);
        auto dsOwner = denseDataSet(xColumn);
        DataSet& ds = *dsOwner;
        ds.View.PercentScale = true;
        ds.Table.ColumnAbsMax[2] = 7.3; // a divisor that rounds
        CurveChart read, copied;
        for (CurveChart* chart : {&read, &copied}) {
            chart->resize(500, 360);
            chart->showDataSet(ds);
        }
        copied.clearCurve(2);
        copied.curve(2)->appendPoints(CurvePointsFor(ds, 2));
        const CurvePoints expected = CurvePointsFor(ds, 2);
        const CurvePlottable* curve = read.curve(2);
        ASSERT_EQ(curve->pointCount(), static_cast<int>(expected.size()));
        int differing = 0;
        for (int i = 0; i < curve->pointCount(); ++i)
            differing += curve->pointX(i) != expected.xAt(static_cast<std::size_t>(i)) ||
                         curve->pointY(i) != expected.y[static_cast<std::size_t>(i)];
        EXPECT_EQ(differing, 0);
        const QImage picture = read.toPixmap(500, 360).toImage();
        EXPECT_EQ(picture, copied.toPixmap(500, 360).toImage());

        // The X column rewritten into new storage, the curve's column cut short: nothing drawn
        // or hit from the old values, no read past the end.
        std::vector<double> rewritten(ds.Table.Values[1].rbegin(), ds.Table.Values[1].rend());
        ds.Table.Values[1].swap(rewritten);
        ds.Table.Values[2].resize(100);
        EXPECT_NE(read.toPixmap(500, 360).toImage(), picture);
        EXPECT_EQ(curve->hitPoint(QPointF(250, 180), 1000.0), -1);
        ds.Table.Values[2] = denseDataSet(xColumn)->Table.Values[2];
        read.clearCurve(2);
        read.fillCurve(ds, 2);
        const CurvePoints refilled = CurvePointsFor(ds, 2);
        ASSERT_EQ(curve->pointCount(), static_cast<int>(refilled.size()));
        for (const int i : {0, 1, kRows / 2, kRows - 1}) {
            EXPECT_EQ(curve->pointX(i), refilled.xAt(static_cast<std::size_t>(i)));
            EXPECT_EQ(curve->pointY(i), refilled.y[static_cast<std::size_t>(i)]);
        }
    }
}

// A missing value and a blank line between rows break a curve: nothing is drawn or answers a
// press along the lines that would join the points across a gap, while the points on both
// sides are drawn and answer. Sparse and dense curves over row numbers, a dense one against an
// X column missing a value, and a long one against an X column that runs back once (set into
// a canvas).
TEST(ChartDrawing, CurveBreaksAtMissingValuesAndBlankLines) {
    struct Case {
        int rows;
        int xColumn;
        bool missingX; // the X cell of the gap row is missing instead of its value
        bool xRunsBack;
    };
    for (const Case c : {Case{12, 0, false, false}, Case{3000, 0, false, false}, Case{3000, 1, true, false},
                         Case{6000, 1, false, true}}) {
        SCOPED_TRACE(testing::Message() << c.rows << " rows, X column " << c.xColumn);
        // Low, a missing value, high, a blank line, low again; the first two rows span the value
        // axis, so that the sides of the gaps lie inside the plot.
        const int missing = c.rows / 3, blankBefore = 2 * c.rows / 3 + 1;
        std::string text = "x,y\n";
        for (int r = 1; r <= c.rows; ++r) {
            if (r == blankBefore) text += "\n";
            const int x = c.xRunsBack && (r == 20 || r == 21) ? 41 - r : r;
            const double wiggle = c.rows > 100 && r % 2 ? 0.2 : 0.0;
            const bool high = r > missing && r < blankBefore;
            text += (c.missingX && r == missing ? std::string("NA") : std::to_string(x)) + ",";
            const double y = r <= 2 ? 100.0 * (r - 1) : (high ? 80 : 20) + wiggle;
            text += !c.missingX && r == missing ? std::string("NA") : std::to_string(y);
            text += "\n";
        }
        test::TempDir dir;
        auto owner = std::make_unique<DataSet>();
        DataSet& ds = *owner;
        ds.File.CurrentFileName = dir.write("gaps.csv", text);
        ds.Layout.Reading.commentLines = true;
        ds.Layout.Reading.missingAsGaps = true;
        ASSERT_EQ(LoadDataFile(ds).status, LoadOutcome::Status::Loaded);
        ASSERT_EQ(ds.Layout.DataRowCount, c.rows);
        ds.View.XColumn = c.xColumn;
        ds.View.CurveVisible.fill(true);
        ds.View.CurveVisible[1] = false;
        ds.View.CurveColors[2] = 0x0000FF; // red

        CurveChart chart;
        chart.resize(600, 400);
        chart.showDataSet(ds);
        const QImage image = chart.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const CurvePlottable* curve = chart.curve(2);
        auto pixelOfRow = [&](int r) {
            return QPointF(chart.xAxis->coordToPixel(c.xColumn ? ds.Table.Values[1][r] : r),
                           chart.yAxis->coordToPixel(curve->pointY(r - 1)));
        };
        auto redNear = [&](QPointF at) {
            for (int dx = -1; dx <= 1; ++dx)
                for (int dy = -1; dy <= 1; ++dy) {
                    const QRgb p = image.pixel(static_cast<int>(at.x()) + dx, static_cast<int>(at.y()) + dy);
                    if (qRed(p) > 200 && qGreen(p) < 160 && qBlue(p) < 160) return true;
                }
            return false;
        };
        auto pressAt = [&](QPointF at) {
            int hit = -1;
            const auto connection = QObject::connect(&chart, &CurveChart::curvePressed, [&](CurvePlottable* p, int i) {
                if (p == curve) hit = i;
            });
            const QPointF global = chart.mapToGlobal(at);
            QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&chart, &press);
            QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(&chart, &release);
            QObject::disconnect(connection);
            return hit;
        };
        EXPECT_TRUE(std::isfinite(chart.yAxis->range().lower) && std::isfinite(chart.xAxis->range().upper));
        // Points copied into the curve (missing ones left out) break at the same places.
        CurveChart copied;
        copied.resize(600, 400);
        copied.showDataSet(ds);
        copied.clearCurve(2);
        copied.curve(2)->appendPoints(CurvePointsFor(ds, 2));
        EXPECT_EQ(copied.grab().toImage().convertToFormat(QImage::Format_RGB32), image);
        for (const auto& [before, after] : {std::pair(missing - 1, missing + 1), std::pair(blankBefore - 1, blankBefore)}) {
            SCOPED_TRACE(testing::Message() << "gap between rows " << before << " and " << after);
            const QPointF a = pixelOfRow(before), b = pixelOfRow(after);
            for (const QPointF side : {a, b}) {
                EXPECT_TRUE(redNear(side)) << side.x() << "," << side.y();
                const int hit = pressAt(side);
                EXPECT_GE(hit, 0) << side.x() << "," << side.y();
                if (hit >= 0) {
                    EXPECT_TRUE(std::isfinite(curve->pointX(hit)) && std::isfinite(curve->pointY(hit)));
                }
            }
            for (double t = 0.3; t <= 0.7; t += 0.1) {
                const QPointF across = a + t * (b - a);
                EXPECT_FALSE(redNear(across)) << "drawn across the gap at " << across.x() << "," << across.y();
                EXPECT_EQ(pressAt(across), -1) << across.x() << "," << across.y();
            }
        }
    }
}

// A dense curve drawn again after rows were appended or the key axis moved keeps per pixel
// column the points a curve drawn afresh keeps (it then skips whole blocks of points by their
// extremes): its picture is that of a chart drawn once. Values with many ties, plain and on a
// scale that rounds.
TEST(ChartDrawing, DenseCurveDrawnAgainLooksAsDrawnAfresh) {
    constexpr int kShown = 300001, kAll = kShown + 12345;
    for (const bool percent : {false, true}) {
        SCOPED_TRACE(percent);
        auto dataSet = [&](int rows) {
            auto owner = std::make_unique<DataSet>();
            DataSet& ds = *owner;
            ds.File.CurrentFileName = "/tmp/drawn-again.csv";
            ds.Layout.ColumnCount = 2;
            ds.Layout.DataRowCount = ds.File.LineCount = rows;
            ds.View.PercentScale = percent;
            ds.View.CurveVisible.fill(true);
            ds.View.CurveVisible[1] = false;
            ds.View.CurveColors[2] = 0x0000FF;
            ds.Layout.ColumnIsNumeric[2] = true;
            auto& v = ds.Table.Values[2];
            v.assign(kAll + 1, 0.0);
            for (int r = 1; r <= kAll; ++r)
                v[static_cast<std::size_t>(r)] = std::round(4 * (3 * std::sin(r * 0.0007) + std::cos(r * 1.3))) / 4;
            ds.Table.ColumnMin[2] = -4;
            ds.Table.ColumnMax[2] = 4;
            ds.Table.ColumnAbsMax[2] = 7.3; // a divisor that rounds
            return owner;
        };
        auto picture = [](CurveChart& chart) { return chart.toPixmap(500, 360).toImage().convertToFormat(QImage::Format_RGB32); };
        const auto grownOwner = dataSet(kShown), allOwner = dataSet(kAll);
        CurveChart grown, fresh, moved;
        for (CurveChart* chart : {&grown, &fresh, &moved}) chart->resize(500, 360);
        grown.showDataSet(*grownOwner);
        picture(grown);
        grownOwner->Layout.DataRowCount = kAll;
        grown.appendRows(*grownOwner);
        fresh.showDataSet(*allOwner);
        EXPECT_EQ(picture(grown), picture(fresh)) << "after rows were appended";
        const QCPRange part(kAll * 0.13, kAll * 0.71);
        grown.xAxis->setRange(part);
        moved.showDataSet(*allOwner);
        moved.xAxis->setRange(part);
        EXPECT_EQ(picture(grown), picture(moved)) << "after the key axis moved";
    }
}
