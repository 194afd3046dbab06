#include "curve_plottable.h"

#include <algorithm>
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

// A set of line pieces between integer pixels, so a path that runs over the same pixels again
// and again is drawn once.
class SegmentSet {
public:
    explicit SegmentSet(std::size_t expected) {
        std::size_t size = 1024;
        while (size < expected * 2) size <<= 1;
        slots_.assign(size, 0);
        mask_ = size - 1;
    }
    // True when the piece was not in the set yet.
    bool insert(int x1, int y1, int x2, int y2) {
        if (std::make_pair(x1, y1) > std::make_pair(x2, y2)) {
            std::swap(x1, x2);
            std::swap(y1, y2);
        }
        const uint64_t key = (uint64_t(uint16_t(x1)) << 48 | uint64_t(uint16_t(y1)) << 32 | uint64_t(uint16_t(x2)) << 16 |
                              uint64_t(uint16_t(y2))) +
                             1; // 0 marks a free slot
        if (count_ * 2 >= slots_.size()) grow();
        return place(key);
    }

private:
    bool place(uint64_t key) {
        std::size_t i = (key * 0x9E3779B97F4A7C15ull) >> 20 & mask_;
        while (slots_[i] != 0) {
            if (slots_[i] == key) return false;
            i = (i + 1) & mask_;
        }
        slots_[i] = key;
        ++count_;
        return true;
    }
    void grow() {
        std::vector<uint64_t> old;
        old.swap(slots_);
        slots_.assign(old.size() * 2, 0);
        mask_ = slots_.size() - 1;
        count_ = 0;
        for (uint64_t key : old)
            if (key) place(key);
    }
    std::vector<uint64_t> slots_;
    std::size_t mask_ = 0;
    std::size_t count_ = 0;
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

void CurvePlottable::appendPoints(CurvePoints&& points) {
    const std::size_t n = points.size();
    if (n == 0) return;
    const bool wasEmpty = y_.empty();
    if (wasEmpty) {
        x_ = std::move(points.x);
        y_ = std::move(points.y);
        rowNumberX_ = points.rowNumberX;
        minX_ = maxX_ = pointX(0);
        minY_ = maxY_ = y_[0];
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
        x_.push_back(x);
        y_.push_back(points.y[i]);
        extendBounds(x, points.y[i]);
    }
}

void CurvePlottable::clearPoints() {
    std::vector<double>().swap(x_);
    std::vector<double>().swap(y_);
    rowNumberX_ = false;
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
    const double leftOut = clip.left() - 2.0;
    const double rightOut = clip.right() + 2.0;
    constexpr int64_t kLeftBucket = std::numeric_limits<int64_t>::min();
    constexpr int64_t kRightBucket = std::numeric_limits<int64_t>::max();

    // Thin the path per pixel column: consecutive points falling into one column are replaced
    // by the first, the lowest, the highest and the last of them (in the order they came), which
    // covers exactly the same pixels. Points left or right of the plot form one run per side.
    std::vector<QPointF> out;
    out.reserve(std::min<std::size_t>(n, static_cast<std::size_t>(clip.width()) * 4 + 16));
    int64_t runBucket = 0;
    QPointF first, low, high, last;
    std::size_t lowAt = 0, highAt = 0, runLength = 0;
    auto flush = [&] {
        if (runLength == 0) return;
        out.push_back(first);
        if (runLength > 1) {
            const QPointF& a = lowAt <= highAt ? low : high;
            const QPointF& b = lowAt <= highAt ? high : low;
            if (a != first) out.push_back(a);
            if (b != a) out.push_back(b);
            if (last != b) out.push_back(last);
        }
    };
    for (std::size_t i = 0; i < n; ++i) {
        const double x = rowNumberX_ ? static_cast<double>(i + 1) : x_[i];
        const QPointF p = toPixel(m, x, y_[i]);
        const double px = p.x();
        const int64_t bucket = px < leftOut     ? kLeftBucket
                               : px > rightOut ? kRightBucket
                                               : static_cast<int64_t>(std::floor(px));
        if (runLength == 0 || bucket != runBucket) {
            flush();
            runBucket = bucket;
            first = low = high = last = p;
            lowAt = highAt = i;
            runLength = 1;
            continue;
        }
        last = p;
        ++runLength;
        if (p.y() < low.y()) {
            low = p;
            lowAt = i;
        }
        if (p.y() > high.y()) {
            high = p;
            highAt = i;
        }
    }
    flush();
    for (QPointF& p : out) p = QPointF(clampPixel(p.x()), clampPixel(p.y()));

    QPen pen = mPen;
    pen.setCosmetic(true);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    if (out.size() == 1) {
        painter->drawPoint(out.front());
        return;
    }
    const std::size_t plain = static_cast<std::size_t>(clip.width()) * 8 + 64;
    if (out.size() <= plain) {
        applyDefaultAntialiasingHint(painter);
        painter->drawPolyline(out.data(), static_cast<int>(out.size()));
        return;
    }
    // A path that runs back and forth over the plot: draw each pixel-to-pixel piece once.
    painter->setAntialiasing(false);
    SegmentSet seen(std::min<std::size_t>(out.size(), 1u << 20));
    std::vector<QLine> lines;
    lines.reserve(std::min<std::size_t>(out.size(), 1u << 16));
    auto within = [](const QPoint& p) { return p.x() > -16000 && p.x() < 16000 && p.y() > -16000 && p.y() < 16000; };
    QPoint a = out.front().toPoint();
    for (std::size_t i = 1; i < out.size(); ++i) {
        const QPoint b = out[i].toPoint();
        if (b == a) continue;
        if (!within(a) || !within(b) || seen.insert(a.x(), a.y(), b.x(), b.y())) lines.emplace_back(a, b);
        a = b;
    }
    painter->drawLines(lines.data(), static_cast<int>(lines.size()));
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
