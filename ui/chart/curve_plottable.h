#pragma once
// One chart curve: points kept in the order they were added (never sorted by X), drawn as a line
// joining them in that order. A curve filled from a data set reads its points straight from
// the data set's values (no copy); only points added by hand, or a column whose points cannot
// be read through (see CurveSourceFor), are kept by the curve itself. Large curves are thinned per pixel column before drawing, so a
// million points cost about as much as a few thousand and look the same. What a repaint draws
// (the thinned line or the rasterised image) is kept until the points, the axis ranges, the
// plot's size or the colour change, so a repaint of an unchanged curve costs next to nothing.
// When several curves changed, the first one drawn works out all of them at once in parallel.
// A curve with gaps (missing values, blank lines between rows) is drawn, thinned and hit piece
// by piece; a missing point is never drawn, hit or counted in the axis ranges.
#include "curves.h"
#include "line_mask.h"

#include <qcustomplot.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace varnotile {

class CurvePlottable : public QCPAbstractPlottable {
    Q_OBJECT
public:
    CurvePlottable(QCPAxis* keyAxis, QCPAxis* valueAxis);

    // Appends the points (taking over their storage when the curve is empty).
    void appendPoints(CurvePoints&& points);
    // Shows the points of `source` instead of any points before: the curve reads them from the
    // data set's values, which must stay alive until the points are cleared or replaced.
    void showSource(const CurveSource& source);
    // Shows `grown`, the shown source with rows appended (see GrownCurveSource): what the curve
    // worked out about the points it already showed is kept.
    void growSource(const CurveSource& grown);
    void clearPoints();
    // The data set's values the curve reads its points from; null when it keeps its own points.
    const CurveSource* source() const { return fromSource_ ? &source_ : nullptr; }
    // Every point, missing ones included (see CurveSourceFor): point indices stay row order.
    int pointCount() const { return static_cast<int>(fromSource_ ? source_.count : y_.size()); }
    // Counts every change of the points.
    quint64 revision() const { return revision_; }
    double pointX(int i) const {
        if (fromSource_) return source_.xAt(static_cast<std::size_t>(i));
        return rowNumberX_ ? static_cast<double>(i + 1) : x_[static_cast<std::size_t>(i)];
    }
    double pointY(int i) const {
        return fromSource_ ? source_.yAt(static_cast<std::size_t>(i)) : y_[static_cast<std::size_t>(i)];
    }

    // Index of the point a press at `pos` (widget pixels) hits, -1 for none; `distance` gets
    // the distance in pixels of the nearest line piece.
    int hitPoint(const QPointF& pos, double tolerance, double* distance = nullptr) const;
    // Whether the pixel under `pos` (widget pixels) is one a press on the curve may fall on:
    // those the curve is drawn into (see drawArea()) and the row and column just past them, where
    // points at the value axis' lower end (under the key axis) and at the key axis' upper end
    // (clipped away) lie.
    bool inHitArea(const QPointF& pos) const;

    // Works out what the next repaint draws for each of `curves` whose drawing is out of date,
    // the curves in parallel; `rasterTarget`: the repaint goes to pixels (screen or image), not
    // to a vector device (PDF, printer). Call on the thread that owns the plot.
    static void prepareCurves(const std::vector<CurvePlottable*>& curves, bool rasterTarget);

    double selectTest(const QPointF& pos, bool onlySelectable, QVariant* details = nullptr) const override;
    QCPRange getKeyRange(bool& foundRange, QCP::SignDomain inSignDomain = QCP::sdBoth) const override;
    QCPRange getValueRange(bool& foundRange, QCP::SignDomain inSignDomain = QCP::sdBoth,
                           const QCPRange& inKeyRange = QCPRange()) const override;

protected:
    void draw(QCPPainter* painter) override;
    void drawLegendIcon(QCPPainter* painter, const QRectF& rect) const override;

private:
    // The pixels the plot lets a curve draw into: the axis rectangle one pixel higher, as the
    // plot's layers clip their drawing (the value axis' upper end lies one pixel above the
    // rectangle, its lower end on the rectangle's last row, under the key axis).
    QRect drawArea() const { return clipRect().translated(0, -1); }
    struct Mapping {
        double kx, x0, ky, y0; // pixel = k * (coordinate - axis lower) + pixel of axis lower
        bool keyHorizontal;
    };
    bool mapping(Mapping& m) const;
    // The points as the drawing reads them: X of point i is xs[i] (without xs: i + 1, or 0),
    // Y is ys[i], on the curve's scale when `scaled`.
    struct Points {
        const double* xs = nullptr;
        const double* ys = nullptr;
        std::size_t n = 0;
        bool xIsRowNumber = true;
        bool scaled = false;
        double multiplier = 1.0, divisor = 1.0;
        double x(std::size_t i) const { return xs ? xs[i] : xIsRowNumber ? static_cast<double>(i + 1) : 0.0; }
        double y(std::size_t i) const { return scaled ? multiplier * ys[i] / divisor : ys[i]; }
        // The pieces joined by lines; null: all n points are one piece.
        const CurvePiece* pieces = nullptr;
        std::size_t pieceCount = 0;
        // Calls f(a, b) for the part a..b-1 of each piece that lies within from..to-1, in order.
        template <class F> void forEachPiece(std::size_t from, std::size_t to, F&& f) const {
            if (!pieces) {
                if (from < to) f(from, to);
                return;
            }
            const CurvePiece* end = pieces + pieceCount;
            const CurvePiece* it =
                std::upper_bound(pieces, end, from, [](std::size_t v, const CurvePiece& c) { return v < c.to; });
            for (; it != end && it->from < to; ++it) f(std::max(it->from, from), std::min(it->to, to));
        }
    };
    // False when there are none, or the data set's values no longer hold them (changed and
    // not refilled yet: nothing is drawn or hit until the refill).
    bool points(Points& p) const;
    // Moves points read from the data set into the curve's own arrays.
    void keepOwnCopy();
    // Reads the points from `source` from now on, with its bounds and X order.
    void takeSource(const CurveSource& source);
    QPointF toPixel(const Mapping& m, double x, double y) const;
    void extendBounds(double x, double y);
    // The points from..to-1 as screen points, thinned per pixel column.
    std::vector<QPointF> thinned(const Mapping& m, const QRect& clip, std::size_t from, std::size_t to) const;
    // The same for X never decreasing on a horizontal key axis running left to right: each pixel
    // column's points are found by bisection and scanned in one tight loop.
    // Gives the indices of the points kept, in order.
    std::vector<std::size_t> thinnedAscending(const Mapping& m, const QRect& clip, std::size_t from, std::size_t to) const;
    // Where the least and the greatest Y of each block of points lie (the first of each, as an
    // offset into the block): a pixel column spanning whole blocks needs only their extremes,
    // so thinning again after the key axis moved (a zoom, a drag, appended rows) reads a
    // fraction of the points. Made the second time the same points are thinned, extended as
    // points are appended; 2 bytes per 64 points.
    struct BlockExtremes {
        static constexpr std::size_t kBlock = 64;
        std::vector<uint8_t> leastAt, mostAt;
        std::size_t blocks() const { return leastAt.size(); }
    };
    // Summarises the blocks of the points not summarised yet.
    void extendBlockExtremes(const Points& p);
    // The first of the least and the first of the most of the points a..b-1 (the run of one
    // pixel column, all numbers), from the block extremes where the run spans whole blocks.
    void runExtremes(const Points& p, std::size_t a, std::size_t b, std::size_t& leastAt, std::size_t& mostAt) const;
    // Everything a drawing depends on besides the points, read from the plot.
    struct DrawInputs {
        Mapping m{};
        QRect clip;
        QRgb color = 0;
        bool raster = false; // a long path running back and forth: rasterised directly
        bool rasterTarget = true; // drawn into pixels: a dense thinned line may become an image too
    };
    bool drawInputs(DrawInputs& in, bool rasterTarget) const;
    bool cacheCurrent(const DrawInputs& in) const;
    // Thins or rasterises the points for `in`; touches only this curve's own members, so
    // several curves may do it at once on other threads.
    void updateCache(const DrawInputs& in);
    // The lines through points from..to-1 set into a canvas of the plot area (null when the
    // plot has no area); several parts may be set at once on other threads.
    std::unique_ptr<LineMask> rasterisedPart(const DrawInputs& in, std::size_t from, std::size_t to) const;
    // The cache from a finished canvas of the whole curve.
    void finishRaster(const DrawInputs& in, const LineMask* mask);
    // The thinned line (widget pixels) as aliased one-pixel lines in a canvas of the plot area;
    // `starts`: where in `line` a new line begins (not joined to the point before).
    static std::unique_ptr<LineMask> lineMask(const std::vector<QPointF>& line, const std::vector<std::size_t>& starts,
                                              const QRect& clip);
    void drawCached(QCPPainter* painter, const QRect& clip) const;
    // The shown curves of this curve's layer in drawing order; null stands for anything else
    // drawn on the layer between them.
    std::vector<CurvePlottable*> shownOnLayer() const;
    // Draws the curves kept as pixels that are drawn one right after the other, this one first,
    // as one image; a curve of such a run other than the first draws nothing.
    void drawPixelRun(QCPPainter* painter, bool rasterTarget, const QRect& clip);

    // What the last repaint drew and what it depended on.
    struct DrawCache {
        bool valid = false;
        quint64 revision = 0;
        DrawInputs inputs;
        bool aliased = false; // the thinned line is dense enough to need no smoothing
        // Drawn as pixels, `bits`, in one image with the curves drawn right before and after it
        // that are drawn as pixels too (see drawPixelRun).
        bool pixels = false;
        LineMask::Bits bits;
        quint64 stamp = 0; // tells one state of the cache from every other, of any curve
        std::vector<QPointF> line;
        std::vector<std::size_t> lineStarts; // where in `line` a piece after the first begins
        // The points a thinned ascending curve keeps, and the key axis scale they were chosen for.
        std::vector<std::size_t> thinKept;
        std::vector<std::size_t> thinStarts; // where in `thinKept` a piece after the first begins
        quint64 thinRevision = 0;
        double thinKx = 0, thinX0 = 0;
        int thinLeft = 0, thinRight = 0;
        std::size_t thinFrom = 0, thinTo = 0;
    };
    DrawCache cache_;
    // The image of the run of pixel curves this curve leads, and the curves' caches it was made of.
    struct PixelRun {
        std::vector<std::pair<const CurvePlottable*, quint64>> key;
        QImage image;
        QPoint origin; // of the image within the plot area
    };
    PixelRun run_;
    quint64 revision_ = 0;

    CurveSource source_;
    bool fromSource_ = false; // the points are source_'s, else x_ and y_
    std::vector<double> x_; // empty while rowNumberX_
    std::vector<double> y_;
    bool rowNumberX_ = false;
    std::vector<CurvePiece> pieces_; // of x_ and y_; empty: one piece (source_ keeps its own)
    bool xAscending_ = true; // X never decreases: only the visible part needs thinning
    BlockExtremes blockExtremes_;
    bool thinnedBefore_ = false; // the points were thinned before: worth summarising
    double minX_ = 0, maxX_ = 0, minY_ = 0, maxY_ = 0;
};

} // namespace varnotile
