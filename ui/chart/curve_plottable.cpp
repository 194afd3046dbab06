#include "curve_plottable.h"

#include "line_mask.h"
#include "parallel.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace varnotile {
namespace {

// A point at the key axis' upper end lies just past the drawing area's last column, one at the
// value axis' lower end on the row just below it; curve images reach one pixel further so that
// such points count as inside (the painter clips the extra pixel away).
constexpr int kEdge = 1;

// Coordinates far outside the plot are pulled in to this distance: the raster engine works in
// fixed point and would overflow on the pixel positions of an extreme zoom.
constexpr double kPixelLimit = 4.0e6;

double clampPixel(double v) { return std::clamp(v, -kPixelLimit, kPixelLimit); }

// Squared distance of p to the segment a-b.
double segmentDistanceSquared(const QPointF& p, const QPointF& a, const QPointF& b) {
    const double dx = b.x() - a.x();
    const double dy = b.y() - a.y();
    const double len2 = dx * dx + dy * dy;
    double t = 0;
    if (len2 > 0) t = std::clamp(((p.x() - a.x()) * dx + (p.y() - a.y()) * dy) / len2, 0.0, 1.0);
    const double ex = a.x() + t * dx - p.x();
    const double ey = a.y() + t * dy - p.y();
    return ex * ex + ey * ey;
}

// The lowest and the highest of v[0] .. v[n - 1], n > 0. Four pairs of running extremes at
// once: one pair alone would wait on each comparison before the next.
void valueRange(const double* v, std::size_t n, double& least, double& most) {
    std::size_t j = 0;
    least = most = v[0];
#if defined(__SSE2__)
    if (n >= 8) {
        __m128d low0 = _mm_loadu_pd(v), low1 = _mm_loadu_pd(v + 2), low2 = _mm_loadu_pd(v + 4),
                low3 = _mm_loadu_pd(v + 6);
        __m128d high0 = low0, high1 = low1, high2 = low2, high3 = low3;
        for (j = 8; j + 8 <= n; j += 8) {
            const __m128d a = _mm_loadu_pd(v + j), b = _mm_loadu_pd(v + j + 2), c = _mm_loadu_pd(v + j + 4),
                          d = _mm_loadu_pd(v + j + 6);
            low0 = _mm_min_pd(low0, a);
            low1 = _mm_min_pd(low1, b);
            low2 = _mm_min_pd(low2, c);
            low3 = _mm_min_pd(low3, d);
            high0 = _mm_max_pd(high0, a);
            high1 = _mm_max_pd(high1, b);
            high2 = _mm_max_pd(high2, c);
            high3 = _mm_max_pd(high3, d);
        }
        const __m128d low = _mm_min_pd(_mm_min_pd(low0, low1), _mm_min_pd(low2, low3));
        const __m128d high = _mm_max_pd(_mm_max_pd(high0, high1), _mm_max_pd(high2, high3));
        least = std::min(_mm_cvtsd_f64(low), _mm_cvtsd_f64(_mm_unpackhi_pd(low, low)));
        most = std::max(_mm_cvtsd_f64(high), _mm_cvtsd_f64(_mm_unpackhi_pd(high, high)));
    }
#endif
    for (; j < n; ++j) {
        least = std::min(least, v[j]);
        most = std::max(most, v[j]);
    }
}

// Index of the first of v[0] .. v[n - 1] at or below `bound` (`below`) or at or above it
// (n when none is); eight values compared per step.
template <bool below> std::size_t firstReaching(const double* v, std::size_t n, double bound) {
    std::size_t j = 0;
#if defined(__SSE2__)
    const __m128d t = _mm_set1_pd(bound);
    auto hits = [&t](const double* at) {
        const __m128d a = _mm_loadu_pd(at), b = _mm_loadu_pd(at + 2), c = _mm_loadu_pd(at + 4),
                      d = _mm_loadu_pd(at + 6);
        if constexpr (below)
            return _mm_or_pd(_mm_or_pd(_mm_cmple_pd(a, t), _mm_cmple_pd(b, t)),
                             _mm_or_pd(_mm_cmple_pd(c, t), _mm_cmple_pd(d, t)));
        else
            return _mm_or_pd(_mm_or_pd(_mm_cmpge_pd(a, t), _mm_cmpge_pd(b, t)),
                             _mm_or_pd(_mm_cmpge_pd(c, t), _mm_cmpge_pd(d, t)));
    };
    while (j + 8 <= n && _mm_movemask_pd(hits(v + j)) == 0) j += 8;
#endif
    for (; j < n; ++j)
        if (below ? v[j] <= bound : v[j] >= bound) return j;
    return n;
}

// A number never given out before, to tell states of the curves' caches apart.
quint64 nextCacheStamp() {
    static std::atomic<quint64> last{0};
    return ++last;
}

// Calls f(a, b) for each polyline a..b-1 of `line`, new ones beginning at `starts`.
template <class F> void forEachLine(const std::vector<QPointF>& line, const std::vector<std::size_t>& starts, F&& f) {
    std::size_t a = 0;
    for (const std::size_t start : starts) {
        f(a, start);
        a = start;
    }
    if (a < line.size()) f(a, line.size());
}

// The first of the least and the first of the most of the plotted values s(v[j]) of a run,
// s(v) = multiplier * v / divisor. The scale keeps the order of the values when it multiplies
// and divides by positive numbers (each step rounded), so the extremes are among the values'
// own extremes and no value needs scaling: s(v) equals s(least) exactly for the values from
// the least up to the last one that rounds to the same, found by stepping up from it.
class ScaledExtremes {
public:
    ScaledExtremes(bool scaled, double multiplier, double divisor)
        : scaled_(scaled), multiplier_(multiplier), divisor_(divisor),
          keepsOrder_(!scaled || (multiplier > 0 && divisor > 0)) {}

    // The values at or below `upTo` (at or above `downTo`) are those whose plotted value is the
    // least (the most) of values ranging from `least` to `most`; false when the values must be
    // scaled one by one instead.
    bool thresholds(double least, double most, double& upTo, double& downTo) const {
        if (!scaled_) {
            upTo = least;
            downTo = most;
            return true;
        }
        upTo = keepsOrder_ ? sameScaledEnd(least, most) : std::nan("");
        downTo = keepsOrder_ ? sameScaledEnd(most, least) : std::nan("");
        return !std::isnan(upTo) && !std::isnan(downTo);
    }

    void find(const double* v, std::size_t n, std::size_t& leastAt, std::size_t& mostAt) const {
        double least = 0, most = 0;
        valueRange(v, n, least, most);
        if (!scaled_) {
            // Nothing lies below the least or above the most: the first at or beyond is it.
            leastAt = firstReaching<true>(v, n, least);
            mostAt = firstReaching<false>(v, n, most);
            return;
        }
        const double upTo = keepsOrder_ ? sameScaledEnd(least, most) : std::nan("");
        const double downTo = keepsOrder_ ? sameScaledEnd(most, least) : std::nan("");
        if (std::isnan(upTo) || std::isnan(downTo)) {
            // Scaled one by one: a scale that turns the order round, or many values rounding alike.
            leastAt = mostAt = 0;
            for (std::size_t j = 1; j < n; ++j) {
                if (scale(v[j]) < scale(v[leastAt]))
                    leastAt = j;
                else if (scale(v[j]) > scale(v[mostAt]))
                    mostAt = j;
            }
            return;
        }
        leastAt = firstReaching<true>(v, n, upTo);
        mostAt = firstReaching<false>(v, n, downTo);
    }

private:
    double scale(double v) const { return multiplier_ * v / divisor_; }
    // The farthest value from `from` towards `toward` whose scaled value is that of `from`;
    // not a number when more than a few steps away.
    double sameScaledEnd(double from, double toward) const {
        const double target = scale(from);
        double end = from;
        for (int step = 0; step < 8; ++step) {
            if (end == toward) return end;
            const double next = std::nextafter(end, toward);
            if (scale(next) != target) return end;
            end = next;
        }
        return std::nan("");
    }

    bool scaled_;
    double multiplier_, divisor_;
    bool keepsOrder_;
};

} // namespace

CurvePlottable::CurvePlottable(QCPAxis* keyAxis, QCPAxis* valueAxis) : QCPAbstractPlottable(keyAxis, valueAxis) {
    setSelectable(QCP::stNone);
    setBrush(Qt::NoBrush);
}

void CurvePlottable::extendBounds(double x, double y) {
    minX_ = std::min(minX_, x);
    maxX_ = std::max(maxX_, x);
    minY_ = std::min(minY_, y);
    maxY_ = std::max(maxY_, y);
}

bool CurvePlottable::points(Points& p) const {
    if (fromSource_) {
        if (!source_.covered()) return false;
        p.xs = source_.x ? source_.x->data() + 1 : nullptr;
        p.ys = source_.y->data() + 1;
        p.n = source_.count;
        p.xIsRowNumber = source_.xIsRowNumber;
        p.multiplier = source_.multiplier;
        p.divisor = source_.divisor;
        p.scaled = source_.multiplier != 1.0 || source_.divisor != 1.0;
    } else {
        p = Points{};
        p.xs = rowNumberX_ ? nullptr : x_.data();
        p.ys = y_.data();
        p.n = y_.size();
    }
    const std::vector<CurvePiece>& pieces = fromSource_ ? source_.pieces : pieces_;
    p.pieces = pieces.empty() ? nullptr : pieces.data();
    p.pieceCount = pieces.size();
    return p.n > 0;
}

void CurvePlottable::showSource(const CurveSource& source) {
    clearPoints();
    if (source.count == 0 || !source.y) return;
    takeSource(source);
}

void CurvePlottable::takeSource(const CurveSource& source) {
    source_ = source;
    fromSource_ = true;
    xAscending_ = source.xAscending;
    minX_ = source.minX;
    maxX_ = source.maxX;
    minY_ = source.minY;
    maxY_ = source.maxY;
}

void CurvePlottable::growSource(const CurveSource& grown) {
    // The same values read the same way, more of them: the points shown so far stay.
    const bool sameShown = fromSource_ && grown.y == source_.y && grown.x == source_.x &&
                           grown.xIsRowNumber == source_.xIsRowNumber && grown.multiplier == source_.multiplier &&
                           grown.divisor == source_.divisor && grown.count >= source_.count;
    if (!sameShown) {
        showSource(grown);
        return;
    }
    ++revision_;
    takeSource(grown);
}

void CurvePlottable::keepOwnCopy() {
    if (!fromSource_) return;
    const std::size_t n = source_.count;
    rowNumberX_ = !source_.x && source_.xIsRowNumber;
    if (!rowNumberX_) {
        x_.resize(n);
        for (std::size_t i = 0; i < n; ++i) x_[i] = source_.xAt(i);
    }
    y_.resize(n);
    for (std::size_t i = 0; i < n; ++i) y_[i] = source_.yAt(i);
    pieces_ = std::move(source_.pieces);
    source_ = CurveSource{};
    fromSource_ = false;
}

void CurvePlottable::appendPoints(CurvePoints&& points) {
    const std::size_t n = points.size();
    if (n == 0) return;
    ++revision_;
    keepOwnCopy();
    // The own copy holds the plotted values, the block extremes were found among the data's.
    blockExtremes_ = BlockExtremes{};
    thinnedBefore_ = false;
    const bool wasEmpty = y_.empty();
    if (wasEmpty) {
        x_ = std::move(points.x);
        y_ = std::move(points.y);
        rowNumberX_ = points.rowNumberX;
        pieces_ = std::move(points.pieces);
        minX_ = maxX_ = pointX(0);
        minY_ = maxY_ = y_[0];
        xAscending_ = true;
        for (std::size_t i = 1; i < x_.size() && xAscending_; ++i) xAscending_ = x_[i] >= x_[i - 1];
        if (rowNumberX_) {
            minX_ = 1;
            maxX_ = static_cast<double>(n);
            for (double y : y_) {
                minY_ = std::min(minY_, y);
                maxY_ = std::max(maxY_, y);
            }
        } else {
            for (std::size_t i = 0; i < n; ++i) extendBounds(x_[i], y_[i]);
        }
        return;
    }
    // Appending to a curve that already holds points: keep every X explicitly.
    if (rowNumberX_) {
        x_.resize(y_.size());
        for (std::size_t i = 0; i < x_.size(); ++i) x_[i] = static_cast<double>(i + 1);
        rowNumberX_ = false;
    }
    // The new points join the last old one, as without gaps; their own breaks are kept.
    const std::size_t before = y_.size();
    // X of the last point drawn (a missing one's X may not be a number).
    double lastX = x_[pieces_.empty() ? before - 1 : pieces_.back().to - 1];
    if (!pieces_.empty() || !points.pieces.empty()) {
        if (pieces_.empty()) pieces_.push_back({0, before});
        if (points.pieces.empty()) points.pieces.push_back({0, n});
        for (const CurvePiece& piece : points.pieces) {
            if (piece.from == 0 && pieces_.back().to == before)
                pieces_.back().to = before + piece.to;
            else
                pieces_.push_back({before + piece.from, before + piece.to});
        }
    }
    x_.reserve(x_.size() + n);
    y_.reserve(y_.size() + n);
    for (std::size_t i = 0; i < n; ++i) {
        const double x = points.xAt(i);
        if (x < lastX) xAscending_ = false;
        lastX = x;
        x_.push_back(x);
        y_.push_back(points.y[i]);
        extendBounds(x, points.y[i]);
    }
}

void CurvePlottable::clearPoints() {
    ++revision_;
    cache_ = DrawCache{}; // nothing of the old drawing is of use again: its memory goes now
    source_ = CurveSource{};
    fromSource_ = false;
    std::vector<double>().swap(x_);
    std::vector<double>().swap(y_);
    std::vector<CurvePiece>().swap(pieces_);
    rowNumberX_ = false;
    xAscending_ = true;
    blockExtremes_ = BlockExtremes{};
    thinnedBefore_ = false;
    minX_ = maxX_ = minY_ = maxY_ = 0;
}

QCPRange CurvePlottable::getKeyRange(bool& foundRange, QCP::SignDomain inSignDomain) const {
    foundRange = pointCount() > 0;
    if (!foundRange) return {};
    if (inSignDomain == QCP::sdPositive && maxX_ <= 0) foundRange = false;
    if (inSignDomain == QCP::sdNegative && minX_ >= 0) foundRange = false;
    return {minX_, maxX_};
}

QCPRange CurvePlottable::getValueRange(bool& foundRange, QCP::SignDomain inSignDomain, const QCPRange&) const {
    foundRange = pointCount() > 0;
    if (!foundRange) return {};
    if (inSignDomain == QCP::sdPositive && maxY_ <= 0) foundRange = false;
    if (inSignDomain == QCP::sdNegative && minY_ >= 0) foundRange = false;
    return {minY_, maxY_};
}

bool CurvePlottable::mapping(Mapping& m) const {
    QCPAxis* keyAxis = mKeyAxis.data();
    QCPAxis* valueAxis = mValueAxis.data();
    if (!keyAxis || !valueAxis) return false;
    const QCPRange kr = keyAxis->range();
    const QCPRange vr = valueAxis->range();
    if (kr.size() <= 0 || vr.size() <= 0) return false;
    m.x0 = keyAxis->coordToPixel(kr.lower);
    m.kx = (keyAxis->coordToPixel(kr.upper) - m.x0) / kr.size();
    m.y0 = valueAxis->coordToPixel(vr.lower);
    m.ky = (valueAxis->coordToPixel(vr.upper) - m.y0) / vr.size();
    m.keyHorizontal = keyAxis->orientation() == Qt::Horizontal;
    // Store the axis lower ends in the offsets: pixel = k * coordinate + offset.
    m.x0 -= m.kx * kr.lower;
    m.y0 -= m.ky * vr.lower;
    return std::isfinite(m.kx) && std::isfinite(m.ky) && std::isfinite(m.x0) && std::isfinite(m.y0);
}

QPointF CurvePlottable::toPixel(const Mapping& m, double x, double y) const {
    const double kp = m.kx * x + m.x0;
    const double vp = m.ky * y + m.y0;
    return m.keyHorizontal ? QPointF(kp, vp) : QPointF(vp, kp);
}

bool CurvePlottable::drawInputs(DrawInputs& in, bool rasterTarget) const {
    Points p;
    if (!points(p) || !mapping(in.m)) return false;
    in.rasterTarget = rasterTarget;
    in.clip = drawArea();
    // A long path that runs back and forth is rasterised directly; everything else is thinned
    // per pixel column and drawn as one line.
    in.raster = !xAscending_ && p.n > static_cast<std::size_t>(in.clip.width()) * 8 + 64 && in.m.keyHorizontal;
    in.color = mPen.color().rgb();
    return true;
}

bool CurvePlottable::cacheCurrent(const DrawInputs& in) const {
    const DrawInputs& c = cache_.inputs;
    return cache_.valid && cache_.revision == revision_ && c.m.kx == in.m.kx && c.m.x0 == in.m.x0 &&
           c.m.ky == in.m.ky && c.m.y0 == in.m.y0 && c.m.keyHorizontal == in.m.keyHorizontal && c.clip == in.clip &&
           c.raster == in.raster && c.rasterTarget == in.rasterTarget && c.color == in.color;
}

void CurvePlottable::updateCache(const DrawInputs& in) {
    cache_.valid = false;
    cache_.pixels = false;
    cache_.bits = LineMask::Bits{};
    std::vector<QPointF>().swap(cache_.line);
    cache_.lineStarts.clear();
    const Mapping& m = in.m;
    const QRect& clip = in.clip;
    Points p;
    if (!points(p)) return;
    const std::size_t n = p.n;
    if (in.raster) {
        finishRaster(in, rasterisedPart(in, 0, n).get());
        return;
    }
    // The parts of the pieces to thin: with X never decreasing on a key axis running to the
    // right, only the points over the plot, plus one on each side for the lines leaving it.
    std::vector<CurvePiece> parts;
    const bool ascending = xAscending_ && m.keyHorizontal && m.kx > 0;
    if (ascending) {
        const double left = (clip.left() - 2.0 - m.x0) / m.kx;
        const double right = (clip.right() + 2.0 - m.x0) / m.kx;
        p.forEachPiece(0, n, [&](std::size_t a, std::size_t b) {
            std::size_t from = a, to = b;
            if (!p.xs && p.xIsRowNumber) {
                from = static_cast<std::size_t>(std::clamp(std::floor(left) - 2.0, double(a), double(b)));
                to = static_cast<std::size_t>(std::clamp(std::ceil(right) + 1.0, double(a), double(b)));
            } else {
                // A piece of a curve with gaps wholly beside the plot draws nothing there.
                if (p.pieces && (p.x(b - 1) < left || right < p.x(a))) return;
                // The first point not left of `left` and the first right of `right`, by bisection.
                auto firstIndex = [&](auto past) {
                    std::size_t lo = a, hi = b;
                    while (lo < hi) {
                        const std::size_t mid = lo + (hi - lo) / 2;
                        if (past(p.x(mid)))
                            hi = mid;
                        else
                            lo = mid + 1;
                    }
                    return lo;
                };
                from = firstIndex([left](double x) { return !(x < left); });
                to = firstIndex([right](double x) { return right < x; });
                from = from > a ? from - 1 : a;
                to = std::min(b, to + 1);
            }
            if (from < to) parts.push_back({from, to});
        });
    } else {
        p.forEachPiece(0, n, [&](std::size_t a, std::size_t b) { parts.push_back({a, b}); });
    }
    if (!parts.empty()) {
        if (ascending) {
            // Which points a pixel column keeps depends on the key axis alone (and the plot's
            // left and right edges): a new value scale or plot height only moves them.
            const std::size_t from = parts.front().from, to = parts.back().to;
            const bool sameColumns = cache_.thinRevision == revision_ && cache_.thinKx == m.kx &&
                                     cache_.thinX0 == m.x0 && cache_.thinLeft == clip.left() &&
                                     cache_.thinRight == clip.right() && cache_.thinFrom == from &&
                                     cache_.thinTo == to && !cache_.thinKept.empty();
            if (!sameColumns) {
                // Thinned again (the key axis moved, points were appended): with many points per
                // pixel column the block extremes save reading most of them.
                constexpr std::size_t kDense = 2 * BlockExtremes::kBlock;
                if (thinnedBefore_ && to - from >= static_cast<std::size_t>(std::max(clip.width(), 1)) * kDense)
                    extendBlockExtremes(p);
                thinnedBefore_ = true;
                cache_.thinStarts.clear();
                if (parts.size() == 1) {
                    cache_.thinKept = thinnedAscending(m, clip, from, to);
                } else {
                    cache_.thinKept.clear();
                    for (const CurvePiece& part : parts) {
                        const std::vector<std::size_t> kept = thinnedAscending(m, clip, part.from, part.to);
                        if (!cache_.thinKept.empty()) cache_.thinStarts.push_back(cache_.thinKept.size());
                        cache_.thinKept.insert(cache_.thinKept.end(), kept.begin(), kept.end());
                    }
                }
                cache_.thinRevision = revision_;
                cache_.thinKx = m.kx;
                cache_.thinX0 = m.x0;
                cache_.thinLeft = clip.left();
                cache_.thinRight = clip.right();
                cache_.thinFrom = from;
                cache_.thinTo = to;
            }
            cache_.line.reserve(cache_.thinKept.size());
            for (const std::size_t at : cache_.thinKept) cache_.line.push_back(toPixel(m, p.x(at), p.y(at)));
            cache_.lineStarts = cache_.thinStarts;
        } else if (parts.size() == 1) {
            cache_.line = thinned(m, clip, parts[0].from, parts[0].to);
        } else {
            for (const CurvePiece& part : parts) {
                const std::vector<QPointF> piece = thinned(m, clip, part.from, part.to);
                if (!cache_.line.empty()) cache_.lineStarts.push_back(cache_.line.size());
                cache_.line.insert(cache_.line.end(), piece.begin(), piece.end());
            }
        }
        for (QPointF& p : cache_.line) p = QPointF(clampPixel(p.x()), clampPixel(p.y()));
    }
    // A dense curve (several points per pixel column) looks the same without smoothing;
    // drawn into pixels, it is kept as pixels, which cost next to nothing to draw again.
    cache_.aliased = cache_.line.size() > static_cast<std::size_t>(clip.width()) * 2;
    cache_.pixels = cache_.aliased && in.rasterTarget;
    if (cache_.pixels) {
        if (const std::unique_ptr<LineMask> mask = lineMask(cache_.line, cache_.lineStarts, clip))
            cache_.bits = mask->toBits();
        std::vector<QPointF>().swap(cache_.line);
    }
    cache_.stamp = nextCacheStamp();
    cache_.valid = true;
    cache_.revision = revision_;
    cache_.inputs = in;
}

void CurvePlottable::prepareCurves(const std::vector<CurvePlottable*>& curves, bool rasterTarget) {
    struct Job {
        CurvePlottable* curve;
        DrawInputs inputs;
    };
    std::vector<Job> jobs;
    for (CurvePlottable* c : curves) {
        Job job{c, {}};
        if (c && c->drawInputs(job.inputs, rasterTarget) && !c->cacheCurrent(job.inputs)) jobs.push_back(job);
    }
    // A long back-and-forth curve is rasterised in two halves at once, joined afterwards, so
    // that the threads share the work evenly; the halves go first, being the longest tasks.
    struct Part {
        std::size_t job, from, to;
        std::unique_ptr<LineMask> mask;
    };
    std::vector<Part> parts;
    std::vector<std::size_t> whole;
    for (std::size_t j = 0; j < jobs.size(); ++j) {
        const auto n = static_cast<std::size_t>(jobs[j].curve->pointCount());
        if (jobs[j].inputs.raster) {
            // The halves share the middle point, so the line through it is drawn.
            parts.push_back(Part{j, 0, n / 2 + 1, nullptr});
            parts.push_back(Part{j, n / 2, n, nullptr});
        } else {
            whole.push_back(j);
        }
    }
    forEachInParallel(parts.size() + whole.size(), [&](std::size_t t) {
        if (t < parts.size()) {
            Part& part = parts[t];
            part.mask = jobs[part.job].curve->rasterisedPart(jobs[part.job].inputs, part.from, part.to);
        } else {
            const Job& job = jobs[whole[t - parts.size()]];
            job.curve->updateCache(job.inputs);
        }
    });
    forEachInParallel(parts.size() / 2, [&](std::size_t t) {
        Part& first = parts[2 * t];
        const Part& second = parts[2 * t + 1];
        if (first.mask && second.mask) first.mask->merge(*second.mask);
        jobs[first.job].curve->finishRaster(jobs[first.job].inputs, first.mask.get());
    });
}

void CurvePlottable::draw(QCPPainter* painter) {
    const int device = painter->device() ? painter->device()->devType() : QInternal::UnknownDevice;
    // An image of a dense line is as sharp as the line itself only where a pixel of the plot is a
    // pixel of the screen; on a high-density screen the line is drawn as lines.
    const bool rasterTarget = (device == QInternal::Widget || device == QInternal::Pixmap || device == QInternal::Image) &&
                              painter->device()->devicePixelRatioF() == 1.0;
    DrawInputs in;
    if (!drawInputs(in, rasterTarget)) return;
    if (!cacheCurrent(in)) {
        // The first curve of a repaint that finds itself out of date brings every shown curve
        // of the plot up to date at once; the others then only draw.
        std::vector<CurvePlottable*> shown;
        for (int i = 0; i < mParentPlot->plottableCount(); ++i) {
            auto* c = qobject_cast<CurvePlottable*>(mParentPlot->plottable(i));
            if (c && c->realVisibility()) shown.push_back(c);
        }
        if (std::find(shown.begin(), shown.end(), this) == shown.end()) shown.push_back(this);
        prepareCurves(shown, rasterTarget);
    }
    if (cache_.pixels)
        drawPixelRun(painter, rasterTarget, in.clip);
    else
        drawCached(painter, in.clip);
}

std::vector<CurvePlottable*> CurvePlottable::shownOnLayer() const {
    std::vector<CurvePlottable*> shown;
    if (!mLayer) return shown;
    for (QCPLayerable* child : mLayer->children()) {
        if (!child->realVisibility()) continue;
        auto* curve = qobject_cast<CurvePlottable*>(child);
        shown.push_back(curve);
    }
    return shown;
}

void CurvePlottable::drawPixelRun(QCPPainter* painter, bool rasterTarget, const QRect& clip) {
    std::vector<CurvePlottable*> shown = shownOnLayer();
    auto at = std::find(shown.begin(), shown.end(), this);
    if (at == shown.end()) {
        shown = {this};
        at = shown.begin();
    }
    // The image is made from the curves' caches: every one of them must be up to date.
    {
        std::vector<CurvePlottable*> curves;
        for (CurvePlottable* c : shown)
            if (c) curves.push_back(c);
        prepareCurves(curves, rasterTarget);
        at = std::find(shown.begin(), shown.end(), this);
    }
    const auto inRun = [&](const CurvePlottable* c) {
        return c && c->cache_.valid && c->cache_.pixels && c->cache_.inputs.clip == clip;
    };
    if (at != shown.begin() && inRun(*(at - 1))) return; // drawn by the run's first curve
    auto end = at + 1;
    while (end != shown.end() && inRun(*end)) ++end;
    std::vector<std::pair<const CurvePlottable*, quint64>> key;
    for (auto c = at; c != end; ++c) key.emplace_back(*c, (*c)->cache_.stamp);
    if (key != run_.key) {
        // The last image's memory is used again when it has the size (no fresh pages to fault in).
        QImage image = std::move(run_.image);
        run_ = PixelRun{};
        // The others of the run, and hidden curves, lead no run now: their images go.
        for (int i = 0; mParentPlot && i < mParentPlot->plottableCount(); ++i) {
            auto* c = qobject_cast<CurvePlottable*>(mParentPlot->plottable(i));
            if (c && c != this && (!c->realVisibility() || std::find(at, end, c) != end)) c->run_ = PixelRun{};
        }
        const QSize size(clip.width() + kEdge, clip.height() + kEdge);
        if (image.size() != size) image = QImage(size, QImage::Format_ARGB32_Premultiplied);
        QRect used;
        for (auto c = at; c != end; ++c) used |= (*c)->cache_.bits.box;
        if (!image.isNull()) {
            // Bands of rows cleared and painted at once; in each, in drawing order: where curves
            // cross, the later one's pixels are on top.
            auto* const pixels = reinterpret_cast<uint32_t*>(image.bits());
            const qsizetype stride = image.bytesPerLine() / 4;
            const int rows = image.height();
            const std::size_t bands = partsFor(static_cast<std::size_t>(end - at), 8);
            forEachInParallel(bands, [&](std::size_t band) {
                const int from = static_cast<int>(static_cast<qsizetype>(rows) * band / bands);
                const int to = static_cast<int>(static_cast<qsizetype>(rows) * (band + 1) / bands);
                std::fill(pixels + from * stride, pixels + to * stride, 0u);
                for (auto c = at; c != end; ++c) {
                    const DrawCache& cache = (*c)->cache_;
                    cache.bits.paintInto(pixels, stride, QPoint(0, 0), cache.inputs.color, from, to);
                }
            });
        }
        // Curves over a small part of the plot keep just that part.
        if (!used.isEmpty() && qint64(used.width()) * used.height() * 4 < qint64(image.width()) * image.height() * 3) {
            run_.image = image.copy(used);
            run_.origin = used.topLeft();
        } else if (!used.isEmpty()) {
            run_.image = std::move(image);
        }
        run_.key = std::move(key);
    }
    if (run_.image.isNull()) return;
    // Pixels land where they were set: the painter's smoothing shifts by half a pixel.
    painter->setAntialiasing(false);
    painter->drawImage(clip.topLeft() + run_.origin, run_.image);
}

void CurvePlottable::drawCached(QCPPainter* painter, const QRect& clip) const {
    const std::vector<QPointF>& out = cache_.line;
    if (out.empty()) return;
    QPen pen = mPen;
    pen.setCosmetic(true);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    applyDefaultAntialiasingHint(painter);
    if (cache_.aliased) painter->setAntialiasing(false);
    forEachLine(out, cache_.lineStarts, [&](std::size_t a, std::size_t b) {
        if (b - a == 1)
            painter->drawPoint(out[a]);
        else
            painter->drawPolyline(out.data() + a, static_cast<int>(b - a));
    });
}

std::vector<QPointF> CurvePlottable::thinned(const Mapping& m, const QRect& clip, std::size_t from, std::size_t to) const {
    const double leftOut = clip.left() - 2.0;
    const double rightOut = clip.right() + 2.0;
    constexpr int64_t kLeftBucket = std::numeric_limits<int64_t>::min();
    constexpr int64_t kRightBucket = std::numeric_limits<int64_t>::max();
    // Consecutive points falling into one pixel column are replaced by the first, the lowest,
    // the highest and the last of them (in the order they came), which covers the same pixels.
    // Points left or right of the plot form one run per side.
    std::vector<QPointF> out;
    out.reserve(std::min<std::size_t>(to - from, static_cast<std::size_t>(clip.width()) * 4 + 16));
    int64_t runBucket = 0;
    double firstX = 0, firstY = 0, lowX = 0, lowY = 0, highX = 0, highY = 0, lastX = 0, lastY = 0;
    std::size_t lowAt = 0, highAt = 0, runLength = 0;
    auto flush = [&] {
        if (runLength == 0) return;
        const QPointF first(firstX, firstY), low(lowX, lowY), high(highX, highY), last(lastX, lastY);
        out.push_back(first);
        if (runLength > 1) {
            const QPointF& a = lowAt <= highAt ? low : high;
            const QPointF& b = lowAt <= highAt ? high : low;
            if (a != first) out.push_back(a);
            if (b != a) out.push_back(b);
            if (last != b) out.push_back(last);
        }
    };
    Points p;
    if (!points(p)) return out;
    const double kx = m.kx, x0 = m.x0, ky = m.ky, y0 = m.y0;
    const bool horizontal = m.keyHorizontal;
    for (std::size_t i = from; i < to; ++i) {
        const double kp = kx * p.x(i) + x0;
        const double vp = ky * p.y(i) + y0;
        const double px = horizontal ? kp : vp;
        const double py = horizontal ? vp : kp;
        int64_t bucket;
        if (px < leftOut) {
            bucket = kLeftBucket;
        } else if (px > rightOut) {
            bucket = kRightBucket;
        } else {
            bucket = static_cast<int64_t>(px);
            if (static_cast<double>(bucket) > px) --bucket;
        }
        if (runLength == 0 || bucket != runBucket) {
            flush();
            runBucket = bucket;
            firstX = lowX = highX = lastX = px;
            firstY = lowY = highY = lastY = py;
            lowAt = highAt = i;
            runLength = 1;
            continue;
        }
        lastX = px;
        lastY = py;
        ++runLength;
        if (py < lowY) {
            lowX = px;
            lowY = py;
            lowAt = i;
        } else if (py > highY) {
            highX = px;
            highY = py;
            highAt = i;
        }
    }
    flush();
    return out;
}

std::vector<std::size_t> CurvePlottable::thinnedAscending(const Mapping& m, const QRect& clip, std::size_t from,
                                                          std::size_t to) const {
    // The same runs as thinned(): with X never decreasing and the key axis running to the right,
    // the pixel column only grows along the points, so each run's end is found by bisection and
    // only its points' Y are scanned. The run's points are chosen by value (the first of its
    // lowest and of its highest), so the choice holds for any scale of the value axis.
    const double leftOut = clip.left() - 2.0;
    const double rightOut = clip.right() + 2.0;
    constexpr int64_t kLeftBucket = std::numeric_limits<int64_t>::min();
    constexpr int64_t kRightBucket = std::numeric_limits<int64_t>::max();
    std::vector<std::size_t> out;
    Points p;
    if (!points(p)) return out;
    const double* ys = p.ys;
    const double kx = m.kx, x0 = m.x0;
    auto pxAt = [&](std::size_t i) { return kx * p.x(i) + x0; };
    // The first point of a long run holding the least (the most) of the run's plotted values:
    // found among the values themselves where the scale keeps their order.
    const ScaledExtremes extremes(p.scaled, p.multiplier, p.divisor);
    auto bucketOf = [&](double px) -> int64_t {
        if (px < leftOut) return kLeftBucket;
        if (px > rightOut) return kRightBucket;
        int64_t bucket = static_cast<int64_t>(px);
        if (static_cast<double>(bucket) > px) --bucket;
        return bucket;
    };
    out.reserve(std::min<std::size_t>(to - from, static_cast<std::size_t>(clip.width()) * 4 + 16));
    std::size_t i = from;
    while (i < to) {
        const int64_t bucket = bucketOf(pxAt(i));
        // First point after i in another column: gallop, then bisect.
        std::size_t same = i; // last index known to be in the column
        std::size_t other = to; // first index known to be past it (or the end)
        for (std::size_t step = 1;; step *= 2) {
            const std::size_t probe = same + step;
            if (probe >= to) break;
            if (bucketOf(pxAt(probe)) != bucket) {
                other = probe;
                break;
            }
            same = probe;
        }
        std::size_t lo = same + 1, hi = other;
        while (lo < hi) {
            const std::size_t mid = lo + (hi - lo) / 2;
            if (bucketOf(pxAt(mid)) != bucket)
                hi = mid;
            else
                lo = mid + 1;
        }
        const std::size_t end = lo;
        std::size_t leastAt = i, mostAt = i;
        if (end - i < 16) {
            for (std::size_t j = i + 1; j < end; ++j) {
                if (p.y(j) < p.y(leastAt))
                    leastAt = j;
                else if (p.y(j) > p.y(mostAt))
                    mostAt = j;
            }
        } else if (end - i >= 2 * BlockExtremes::kBlock && blockExtremes_.blocks() > 0) {
            runExtremes(p, i, end, leastAt, mostAt);
        } else {
            extremes.find(ys + i, end - i, leastAt, mostAt);
            leastAt += i;
            mostAt += i;
        }
        // First, the two extremes in the order they came, last; each point once.
        for (const std::size_t at : {i, std::min(leastAt, mostAt), std::max(leastAt, mostAt), end - 1})
            if (out.empty() || out.back() != at) out.push_back(at);
        i = end;
    }
    return out;
}

void CurvePlottable::extendBlockExtremes(const Points& p) {
    constexpr std::size_t B = BlockExtremes::kBlock;
    const std::size_t blocks = p.n / B;
    std::size_t k = blockExtremes_.blocks();
    if (blocks <= k) return;
    blockExtremes_.leastAt.resize(blocks);
    blockExtremes_.mostAt.resize(blocks);
    for (; k < blocks; ++k) {
        const double* v = p.ys + k * B;
        std::size_t least = 0, most = 0;
        for (std::size_t j = 1; j < B; ++j) {
            if (v[j] < v[least])
                least = j;
            else if (v[j] > v[most])
                most = j;
        }
        blockExtremes_.leastAt[k] = static_cast<uint8_t>(least);
        blockExtremes_.mostAt[k] = static_cast<uint8_t>(most);
    }
}

void CurvePlottable::runExtremes(const Points& p, std::size_t a, std::size_t b, std::size_t& leastAt,
                                 std::size_t& mostAt) const {
    // The same points as ScaledExtremes::find over the whole run: the first value at or below
    // the least's threshold and the first at or above the most's. The run's whole blocks are
    // firstBlock..endBlock-1; its head and tail outside them are read point by point.
    constexpr std::size_t B = BlockExtremes::kBlock;
    const double* ys = p.ys;
    const ScaledExtremes extremes(p.scaled, p.multiplier, p.divisor);
    const std::size_t firstBlock = (a + B - 1) / B;
    const std::size_t endBlock = std::min(b / B, blockExtremes_.blocks());
    auto scanned = [&] {
        extremes.find(ys + a, b - a, leastAt, mostAt);
        leastAt += a;
        mostAt += a;
    };
    if (endBlock <= firstBlock) {
        scanned();
        return;
    }
    const std::size_t headEnd = firstBlock * B, tailFrom = endBlock * B;
    // The head's own extremes tell whether its points need reading again below.
    double headLeast = ys[a], headMost = ys[a];
    if (a < headEnd) valueRange(ys + a, headEnd - a, headLeast, headMost);
    double least = headLeast, most = headMost;
    for (std::size_t k = firstBlock; k < endBlock; ++k) {
        least = std::min(least, ys[k * B + blockExtremes_.leastAt[k]]);
        most = std::max(most, ys[k * B + blockExtremes_.mostAt[k]]);
    }
    if (tailFrom < b) {
        double lo = 0, hi = 0;
        valueRange(ys + tailFrom, b - tailFrom, lo, hi);
        least = std::min(least, lo);
        most = std::max(most, hi);
    }
    double upTo = 0, downTo = 0;
    if (!extremes.thresholds(least, most, upTo, downTo)) {
        scanned();
        return;
    }
    // The first point of the run that `hit`s: a block holds one when its extreme does, the
    // head when its least (most) does.
    auto first = [&](auto hit, const std::vector<uint8_t>& extremeAt, double headExtreme) {
        if (hit(headExtreme))
            for (std::size_t j = a; j < headEnd; ++j)
                if (hit(ys[j])) return j;
        for (std::size_t k = firstBlock; k < endBlock; ++k)
            if (hit(ys[k * B + extremeAt[k]])) {
                // Unscaled, only the run's extreme itself hits: the block's first one is it.
                if (!p.scaled) return k * B + extremeAt[k];
                for (std::size_t j = k * B;; ++j)
                    if (hit(ys[j])) return j;
            }
        for (std::size_t j = tailFrom; j < b; ++j)
            if (hit(ys[j])) return j;
        return a;
    };
    leastAt = first([upTo](double v) { return v <= upTo; }, blockExtremes_.leastAt, headLeast);
    mostAt = first([downTo](double v) { return v >= downTo; }, blockExtremes_.mostAt, headMost);
}

std::unique_ptr<LineMask> CurvePlottable::lineMask(const std::vector<QPointF>& line, const std::vector<std::size_t>& starts,
                                                  const QRect& clip) {
    if (clip.width() <= 0 || clip.height() <= 0) return nullptr;
    std::vector<double> xs(line.size()), ys(line.size());
    for (std::size_t i = 0; i < line.size(); ++i) {
        xs[i] = line[i].x();
        ys[i] = line[i].y();
    }
    auto mask = std::make_unique<LineMask>(clip.width() + kEdge, clip.height() + kEdge);
    const LineMask::Scale scale{1.0, -double(clip.left()), 1.0, -double(clip.top())};
    forEachLine(line, starts, [&](std::size_t a, std::size_t b) { mask->addPolyline(xs.data() + a, ys.data() + a, b - a, scale); });
    return mask;
}

std::unique_ptr<LineMask> CurvePlottable::rasterisedPart(const DrawInputs& in, std::size_t from, std::size_t to) const {
    // Aliased one-pixel lines set into a bit canvas of the plot area.
    const QRect& clip = in.clip;
    Points p;
    if (!points(p)) return nullptr;
    to = std::min(to, p.n);
    if (clip.width() <= 0 || clip.height() <= 0 || from >= to) return nullptr;
    auto mask = std::make_unique<LineMask>(clip.width() + kEdge, clip.height() + kEdge);
    const Mapping& m = in.m;
    LineMask::Scale scale{m.kx, m.x0 - clip.left(), m.ky, m.y0 - clip.top(), p.multiplier, p.divisor};
    if (!p.xs && !p.xIsRowNumber) scale.kx = 0.0; // every X is 0: the line's place is the offset alone
    p.forEachPiece(from, to, [&](std::size_t a, std::size_t b) {
        LineMask::Scale at = scale;
        // Over row numbers the X of point i is i + 1: the piece's first point is row a + 1.
        if (!p.xs && p.xIsRowNumber) at.ox += m.kx * static_cast<double>(a);
        mask->addPolyline(p.xs ? p.xs + a : nullptr, p.ys + a, b - a, at);
    });
    return mask;
}

void CurvePlottable::finishRaster(const DrawInputs& in, const LineMask* mask) {
    cache_.valid = false;
    std::vector<QPointF>().swap(cache_.line);
    cache_.lineStarts.clear();
    cache_.pixels = true;
    cache_.bits = mask ? mask->toBits() : LineMask::Bits{};
    cache_.stamp = nextCacheStamp();
    cache_.valid = true;
    cache_.revision = revision_;
    cache_.inputs = in;
}

void CurvePlottable::drawLegendIcon(QCPPainter* painter, const QRectF& rect) const {
    applyDefaultAntialiasingHint(painter);
    QPen pen = mPen;
    pen.setWidthF(std::max(1.0, pen.widthF()) + 1.0);
    painter->setPen(pen);
    const double y = rect.center().y();
    painter->drawLine(QLineF(rect.left(), y, rect.right(), y));
}

int CurvePlottable::hitPoint(const QPointF& pos, double tolerance, double* distance) const {
    Points points_;
    if (!points(points_)) return -1;
    const Points& p = points_;
    Mapping m;
    if (!mapping(m)) return -1;
    const double tol2 = tolerance * tolerance;
    double best = std::numeric_limits<double>::infinity();
    std::size_t bestFrom = 0, bestTo = 0; // the ends of the nearest line piece (or a lone point twice)
    p.forEachPiece(0, p.n, [&](std::size_t a, std::size_t b) {
        QPointF prev = toPixel(m, p.x(a), p.y(a));
        if (b - a == 1) {
            const double d = segmentDistanceSquared(pos, prev, prev);
            if (d < best) {
                best = d;
                bestFrom = bestTo = a;
            }
            return;
        }
        for (std::size_t i = a + 1; i < b; ++i) {
            const QPointF q = toPixel(m, p.x(i), p.y(i));
            // Quick rejection: both ends on one side beyond the tolerance.
            if (!((prev.x() < pos.x() - tolerance && q.x() < pos.x() - tolerance) ||
                  (prev.x() > pos.x() + tolerance && q.x() > pos.x() + tolerance) ||
                  (prev.y() < pos.y() - tolerance && q.y() < pos.y() - tolerance) ||
                  (prev.y() > pos.y() + tolerance && q.y() > pos.y() + tolerance))) {
                const double d = segmentDistanceSquared(pos, prev, q);
                if (d < best) {
                    best = d;
                    bestFrom = i - 1;
                    bestTo = i;
                }
            }
            prev = q;
        }
    });
    if (!(best <= tol2)) return -1;
    if (distance) *distance = std::sqrt(best);
    if (bestFrom == bestTo) return static_cast<int>(bestFrom);
    // The point of the hit piece that lies nearer to the press.
    const QPointF a = toPixel(m, p.x(bestFrom), p.y(bestFrom));
    const QPointF b = toPixel(m, p.x(bestTo), p.y(bestTo));
    const double da = QLineF(a, pos).length();
    const double db = QLineF(b, pos).length();
    return static_cast<int>(da <= db ? bestFrom : bestTo);
}

bool CurvePlottable::inHitArea(const QPointF& pos) const {
    const QPoint pixel(static_cast<int>(std::floor(pos.x())), static_cast<int>(std::floor(pos.y())));
    return drawArea().adjusted(0, 0, 1, 1).contains(pixel);
}

double CurvePlottable::selectTest(const QPointF& pos, bool onlySelectable, QVariant* details) const {
    if ((onlySelectable && mSelectable == QCP::stNone) || pointCount() == 0) return -1;
    if (!mKeyAxis || !mValueAxis) return -1;
    if (!inHitArea(pos)) return -1;
    double distance = 0;
    const int index = hitPoint(pos, mParentPlot->selectionTolerance(), &distance);
    if (index < 0) return -1;
    if (details) details->setValue(QCPDataSelection(QCPDataRange(index, index + 1)));
    return distance;
}

} // namespace varnotile
