#include "curve_plottable.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace varnotile {
namespace {

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

void CurvePlottable::appendPoints(CurvePoints&& points) {
    const std::size_t n = points.size();
    if (n == 0) return;
    ++revision_;
    const bool wasEmpty = y_.empty();
    if (wasEmpty) {
        x_ = std::move(points.x);
        y_ = std::move(points.y);
        rowNumberX_ = points.rowNumberX;
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
    x_.reserve(x_.size() + n);
    y_.reserve(y_.size() + n);
    for (std::size_t i = 0; i < n; ++i) {
        const double x = points.xAt(i);
        if (!x_.empty() && x < x_.back()) xAscending_ = false;
        x_.push_back(x);
        y_.push_back(points.y[i]);
        extendBounds(x, points.y[i]);
    }
}

void CurvePlottable::clearPoints() {
    ++revision_;
    std::vector<double>().swap(x_);
    std::vector<double>().swap(y_);
    rowNumberX_ = false;
    xAscending_ = true;
    minX_ = maxX_ = minY_ = maxY_ = 0;
}

QCPRange CurvePlottable::getKeyRange(bool& foundRange, QCP::SignDomain inSignDomain) const {
    foundRange = !y_.empty();
    if (!foundRange) return {};
    if (inSignDomain == QCP::sdPositive && maxX_ <= 0) foundRange = false;
    if (inSignDomain == QCP::sdNegative && minX_ >= 0) foundRange = false;
    return {minX_, maxX_};
}

QCPRange CurvePlottable::getValueRange(bool& foundRange, QCP::SignDomain inSignDomain, const QCPRange&) const {
    foundRange = !y_.empty();
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

void CurvePlottable::draw(QCPPainter* painter) {
    const std::size_t n = y_.size();
    if (n == 0) return;
    Mapping m;
    if (!mapping(m)) return;
    const QRect clip = clipRect();
    // A long path that runs back and forth is rasterised directly; everything else is thinned
    // per pixel column and drawn as one line.
    const bool raster = !xAscending_ && n > static_cast<std::size_t>(clip.width()) * 8 + 64 && m.keyHorizontal;
    const QRgb color = mPen.color().rgb();
    const bool sameMapping = cache_.m.kx == m.kx && cache_.m.x0 == m.x0 && cache_.m.ky == m.ky &&
                             cache_.m.y0 == m.y0 && cache_.m.keyHorizontal == m.keyHorizontal;
    if (!cache_.valid || cache_.revision != revision_ || !sameMapping || cache_.clip != clip ||
        cache_.raster != raster || (raster && cache_.color != color)) {
        cache_.valid = false;
        cache_.image = QImage();
        std::vector<QPointF>().swap(cache_.line);
        if (raster) {
            cache_.image = rasterised(m, clip);
        } else {
            std::size_t from = 0, to = n;
            const bool ascending = xAscending_ && m.keyHorizontal && m.kx > 0;
            if (ascending) {
                // Only the points over the plot, plus one on each side for the lines leaving it.
                const double left = (clip.left() - 2.0 - m.x0) / m.kx;
                const double right = (clip.right() + 2.0 - m.x0) / m.kx;
                if (rowNumberX_) {
                    from = static_cast<std::size_t>(std::clamp(std::floor(left) - 2.0, 0.0, static_cast<double>(n)));
                    to = static_cast<std::size_t>(std::clamp(std::ceil(right) + 1.0, 0.0, static_cast<double>(n)));
                } else {
                    from = static_cast<std::size_t>(std::lower_bound(x_.begin(), x_.end(), left) - x_.begin());
                    to = static_cast<std::size_t>(std::upper_bound(x_.begin(), x_.end(), right) - x_.begin());
                    from = from > 0 ? from - 1 : 0;
                    to = std::min(n, to + 1);
                }
            }
            if (from < to) {
                cache_.line = ascending ? thinnedAscending(m, clip, from, to) : thinned(m, clip, from, to);
                for (QPointF& p : cache_.line) p = QPointF(clampPixel(p.x()), clampPixel(p.y()));
            }
            // A dense curve (several points per pixel column) looks the same without smoothing.
            cache_.aliased = cache_.line.size() > static_cast<std::size_t>(clip.width()) * 2;
        }
        cache_.valid = true;
        cache_.revision = revision_;
        cache_.m = m;
        cache_.clip = clip;
        cache_.color = color;
        cache_.raster = raster;
    }
    drawCached(painter, clip);
}

void CurvePlottable::drawCached(QCPPainter* painter, const QRect& clip) const {
    if (cache_.raster) {
        if (!cache_.image.isNull()) painter->drawImage(clip.topLeft(), cache_.image);
        return;
    }
    const std::vector<QPointF>& out = cache_.line;
    if (out.empty()) return;
    QPen pen = mPen;
    pen.setCosmetic(true);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    applyDefaultAntialiasingHint(painter);
    if (cache_.aliased) painter->setAntialiasing(false);
    if (out.size() == 1)
        painter->drawPoint(out.front());
    else
        painter->drawPolyline(out.data(), static_cast<int>(out.size()));
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
    const double* xs = rowNumberX_ ? nullptr : x_.data();
    const double* ys = y_.data();
    const double kx = m.kx, x0 = m.x0, ky = m.ky, y0 = m.y0;
    const bool horizontal = m.keyHorizontal;
    for (std::size_t i = from; i < to; ++i) {
        const double kp = kx * (xs ? xs[i] : static_cast<double>(i + 1)) + x0;
        const double vp = ky * ys[i] + y0;
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

std::vector<QPointF> CurvePlottable::thinnedAscending(const Mapping& m, const QRect& clip, std::size_t from,
                                                      std::size_t to) const {
    // The same runs as thinned(): with X never decreasing and the key axis running to the right,
    // the pixel column only grows along the points, so each run's end is found by bisection and
    // only its points' Y are scanned.
    const double leftOut = clip.left() - 2.0;
    const double rightOut = clip.right() + 2.0;
    constexpr int64_t kLeftBucket = std::numeric_limits<int64_t>::min();
    constexpr int64_t kRightBucket = std::numeric_limits<int64_t>::max();
    const double* xs = rowNumberX_ ? nullptr : x_.data();
    const double* ys = y_.data();
    const double kx = m.kx, x0 = m.x0, ky = m.ky, y0 = m.y0;
    auto pxAt = [&](std::size_t i) { return kx * (xs ? xs[i] : static_cast<double>(i + 1)) + x0; };
    auto bucketOf = [&](double px) -> int64_t {
        if (px < leftOut) return kLeftBucket;
        if (px > rightOut) return kRightBucket;
        int64_t bucket = static_cast<int64_t>(px);
        if (static_cast<double>(bucket) > px) --bucket;
        return bucket;
    };
    std::vector<QPointF> out;
    out.reserve(std::min<std::size_t>(to - from, static_cast<std::size_t>(clip.width()) * 4 + 16));
    std::size_t i = from;
    while (i < to) {
        const double firstPx = pxAt(i);
        const int64_t bucket = bucketOf(firstPx);
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
        const double firstY = ky * ys[i] + y0;
        double lowY = firstY, highY = firstY;
        std::size_t lowAt = i, highAt = i;
        for (std::size_t j = i + 1; j < end; ++j) {
            const double py = ky * ys[j] + y0;
            if (py < lowY) {
                lowY = py;
                lowAt = j;
            } else if (py > highY) {
                highY = py;
                highAt = j;
            }
        }
        const QPointF first(firstPx, firstY);
        out.push_back(first);
        if (end - i > 1) {
            const QPointF low(pxAt(lowAt), lowY), high(pxAt(highAt), highY);
            const QPointF last(pxAt(end - 1), ky * ys[end - 1] + y0);
            const QPointF& a = lowAt <= highAt ? low : high;
            const QPointF& b = lowAt <= highAt ? high : low;
            if (a != first) out.push_back(a);
            if (b != a) out.push_back(b);
            if (last != b) out.push_back(last);
        }
        i = end;
    }
    return out;
}

QImage CurvePlottable::rasterised(const Mapping& m, const QRect& clip) const {
    // Aliased one-pixel lines into an image of the plot area, drawn as one image. The lines are
    // set into a bit mask first: a bit per pixel stays in the processor's cache where the
    // image's four bytes per pixel would not.
    const int w = clip.width();
    const int h = clip.height();
    if (w <= 0 || h <= 0) return {};
    // Each mask row is padded to whole 64-bit words.
    const std::size_t rowWords = (static_cast<std::size_t>(w) + 63) / 64;
    const std::size_t rowBits = rowWords * 64;
    std::vector<uint64_t> mask(rowWords * static_cast<std::size_t>(h), 0);
    uint64_t* const maskBits = mask.data();
    auto plot = [&](int x, int y) {
        if (static_cast<unsigned>(x) < static_cast<unsigned>(w) && static_cast<unsigned>(y) < static_cast<unsigned>(h)) {
            const std::size_t i = static_cast<std::size_t>(y) * rowBits + static_cast<std::size_t>(x);
            maskBits[i >> 6] |= uint64_t(1) << (i & 63);
        }
    };
    // floor() of a value already held within +-1e9.
    auto floorInt = [](double v) {
        const int t = static_cast<int>(v);
        return t - (v < static_cast<double>(t) ? 1 : 0);
    };
    constexpr double kFixed = 4294967296.0; // 32.32 fixed point for the line steps
    auto line = [&](double ax, double ay, double bx, double by) {
        double sx = ax, sy = ay, ex = bx, ey = by;
        const double dx = bx - ax, dy = by - ay;
        const bool inside = ax >= -1 && ax <= w && bx >= -1 && bx <= w && ay >= -1 && ay <= h && by >= -1 && by <= h;
        if (!inside) {
            // Liang-Barsky clipping to the image (with a pixel to spare).
            double t0 = 0, t1 = 1;
            const double p[4] = {-dx, dx, -dy, dy};
            const double q[4] = {ax + 1, w - ax, ay + 1, h - ay};
            for (int i = 0; i < 4; ++i) {
                if (p[i] == 0) {
                    if (q[i] < 0) return;
                    continue;
                }
                const double r = q[i] / p[i];
                if (p[i] < 0)
                    t0 = std::max(t0, r);
                else
                    t1 = std::min(t1, r);
                if (t0 > t1) return;
            }
            sx = ax + t0 * dx;
            sy = ay + t0 * dy;
            ex = ax + t1 * dx;
            ey = ay + t1 * dy;
        }
        // A DDA in fixed point: a pixel per step along the longer direction, on local copies that
        // stay in registers.
        const int steps = static_cast<int>(std::max(std::fabs(ex - sx), std::fabs(ey - sy))) + 1;
        const double perStep = kFixed / steps;
        const auto ix = static_cast<int64_t>((ex - sx) * perStep);
        const auto iy = static_cast<int64_t>((ey - sy) * perStep);
        // sx + 0.5 >= -0.5 after clipping: biased by 2 the truncation is the floor.
        auto x = static_cast<int64_t>((sx + 2.5) * kFixed) - (int64_t(2) << 32);
        auto y = static_cast<int64_t>((sy + 2.5) * kFixed) - (int64_t(2) << 32);
        uint64_t* const out = maskBits;
        const auto uw = static_cast<uint64_t>(w), uh = static_cast<uint64_t>(h), bitsPerRow = rowBits;
        for (int s = 0; s <= steps; ++s) {
            const auto px = static_cast<uint64_t>(x >> 32), py = static_cast<uint64_t>(y >> 32);
            if (px < uw && py < uh) {
                const uint64_t i = py * bitsPerRow + px;
                out[i >> 6] |= uint64_t(1) << (i & 63);
            }
            x += ix;
            y += iy;
        }
    };
    const double* xs = rowNumberX_ ? nullptr : x_.data();
    const double* ys = y_.data();
    const double ox = m.x0 - clip.left(), oy = m.y0 - clip.top();
    const std::size_t n = y_.size();
    double lastX = m.kx * (xs ? xs[0] : 1.0) + ox;
    double lastY = m.ky * ys[0] + oy;
    int lastIx = floorInt(std::clamp(lastX, -1e9, 1e9));
    int lastIy = floorInt(std::clamp(lastY, -1e9, 1e9));
    plot(lastIx, lastIy);
    for (std::size_t i = 1; i < n; ++i) {
        const double fx = m.kx * (xs ? xs[i] : static_cast<double>(i + 1)) + ox;
        const double fy = m.ky * ys[i] + oy;
        const int ix = floorInt(std::clamp(fx, -1e9, 1e9));
        const int iy = floorInt(std::clamp(fy, -1e9, 1e9));
        if (ix == lastIx && iy == lastIy) continue;
        if (std::abs(ix - lastIx) <= 1 && std::abs(iy - lastIy) <= 1)
            plot(ix, iy); // neighbouring pixels: the line between them is its two ends
        else
            line(lastX, lastY, fx, fy);
        lastX = fx;
        lastY = fy;
        lastIx = ix;
        lastIy = iy;
    }
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(0);
    const QColor c = mPen.color();
    const uint32_t color = 0xFF000000u | uint32_t(c.red()) << 16 | uint32_t(c.green()) << 8 | uint32_t(c.blue());
    const qsizetype stride = image.bytesPerLine() / 4;
    auto* bits = reinterpret_cast<uint32_t*>(image.bits());
    for (int y = 0; y < h; ++y) {
        const uint64_t* row = maskBits + static_cast<std::size_t>(y) * rowWords;
        uint32_t* line = bits + static_cast<qsizetype>(y) * stride;
        for (std::size_t word = 0; word < rowWords; ++word) {
            for (uint64_t set = row[word]; set != 0; set &= set - 1)
                line[word * 64 + static_cast<std::size_t>(std::countr_zero(set))] = color;
        }
    }
    return image;
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
    const std::size_t n = y_.size();
    if (n == 0) return -1;
    Mapping m;
    if (!mapping(m)) return -1;
    const double tol2 = tolerance * tolerance;
    double best = std::numeric_limits<double>::infinity();
    std::size_t bestSegment = 0;
    QPointF prev = toPixel(m, pointX(0), y_[0]);
    if (n == 1) best = segmentDistanceSquared(pos, prev, prev);
    for (std::size_t i = 1; i < n; ++i) {
        const QPointF p = toPixel(m, rowNumberX_ ? static_cast<double>(i + 1) : x_[i], y_[i]);
        // Quick rejection: both ends on one side beyond the tolerance.
        if (!((prev.x() < pos.x() - tolerance && p.x() < pos.x() - tolerance) ||
              (prev.x() > pos.x() + tolerance && p.x() > pos.x() + tolerance) ||
              (prev.y() < pos.y() - tolerance && p.y() < pos.y() - tolerance) ||
              (prev.y() > pos.y() + tolerance && p.y() > pos.y() + tolerance))) {
            const double d = segmentDistanceSquared(pos, prev, p);
            if (d < best) {
                best = d;
                bestSegment = i;
            }
        }
        prev = p;
    }
    if (!(best <= tol2)) return -1;
    if (distance) *distance = std::sqrt(best);
    if (n == 1) return 0;
    // The point of the hit piece that lies nearer to the press.
    const QPointF a = toPixel(m, pointX(static_cast<int>(bestSegment - 1)), y_[bestSegment - 1]);
    const QPointF b = toPixel(m, pointX(static_cast<int>(bestSegment)), y_[bestSegment]);
    const double da = QLineF(a, pos).length();
    const double db = QLineF(b, pos).length();
    return static_cast<int>(da <= db ? bestSegment - 1 : bestSegment);
}

double CurvePlottable::selectTest(const QPointF& pos, bool onlySelectable, QVariant* details) const {
    if ((onlySelectable && mSelectable == QCP::stNone) || y_.empty()) return -1;
    if (!mKeyAxis || !mValueAxis) return -1;
    if (!mKeyAxis->axisRect()->rect().contains(pos.toPoint())) return -1;
    double distance = 0;
    const int index = hitPoint(pos, mParentPlot->selectionTolerance(), &distance);
    if (index < 0) return -1;
    if (details) details->setValue(QCPDataSelection(QCPDataRange(index, index + 1)));
    return distance;
}

} // namespace varnotile
