#include "line_mask.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace varnotile {
namespace {

// Cuts the line a-b to the box [0, w] x [0, h] (Liang-Barsky); false when nothing is left.
bool clipToBox(double& ax, double& ay, double& bx, double& by, double w, double h) {
    if (ax >= 0 && ax <= w && bx >= 0 && bx <= w && ay >= 0 && ay <= h && by >= 0 && by <= h) return true;
    const double dx = bx - ax, dy = by - ay;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {ax, w - ax, ay, h - ay};
    double t0 = 0, t1 = 1;
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (!(q[i] >= 0)) return false; // parallel to this edge and outside it (or not a number)
            continue;
        }
        const double r = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, r);
        else
            t1 = std::min(t1, r);
        if (!(t0 <= t1)) return false;
    }
    const double sx = ax + t0 * dx, sy = ay + t0 * dy;
    bx = ax + t1 * dx;
    by = ay + t1 * dy;
    ax = sx;
    ay = sy;
    return true;
}

// The pixel index of a coordinate within [0, n], the edge n counting as the last pixel.
int pixelIndex(double v, int n) { return std::clamp(static_cast<int>(v), 0, n - 1); }

// The pixel index of a coordinate: pulled in to +-1e9 (not a number to -1e9), then shifted to
// positive, where truncation is the floor. Plain enough for the compiler to do several at once.
int32_t pixelOf(double v) {
    constexpr double kShift = 1073741824.0; // 2^30
    v = v > -1e9 ? v : -1e9;
    v = v < 1e9 ? v : 1e9;
    return static_cast<int32_t>(v + kShift) - static_cast<int32_t>(kShift);
}

// out[j] = pixelOf(k * in[j] + o), or with in[j] = firstRow + j + 1 when in is null; each in[j]
// first taken to multiplier * in[j] / divisor when `scaled`. Two at a time with the processor's
// vector instructions where it has them (the same rounding step by step).
void toPixels(const double* in, std::size_t firstRow, std::size_t n, double k, double o, int32_t* out,
              bool scaled = false, double multiplier = 1.0, double divisor = 1.0) {
    std::size_t j = 0;
#if defined(__SSE2__)
    constexpr double kShift = 1073741824.0; // as in pixelOf
    const __m128d scale = _mm_set1_pd(k), offset = _mm_set1_pd(o + kShift);
    const __m128d low = _mm_set1_pd(kShift - 1e9), high = _mm_set1_pd(kShift + 1e9);
    const __m128i shift = _mm_set1_epi32(static_cast<int32_t>(kShift));
    const __m128d times = _mm_set1_pd(multiplier), over = _mm_set1_pd(divisor);
    __m128d rows = _mm_set_pd(static_cast<double>(firstRow + 2), static_cast<double>(firstRow + 1));
    const __m128d two = _mm_set1_pd(2.0);
    for (; j + 2 <= n; j += 2) {
        __m128d v = in ? _mm_loadu_pd(in + j) : rows;
        if (scaled) v = _mm_div_pd(_mm_mul_pd(times, v), over);
        rows = _mm_add_pd(rows, two);
        // max() gives its second operand for not a number.
        const __m128d p = _mm_min_pd(_mm_max_pd(_mm_add_pd(_mm_mul_pd(scale, v), offset), low), high);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + j), _mm_sub_epi32(_mm_cvttpd_epi32(p), shift));
    }
#endif
    for (; j < n; ++j) {
        double v = in ? in[j] : static_cast<double>(firstRow + j + 1);
        if (scaled) v = multiplier * v / divisor;
        out[j] = pixelOf(k * v + o);
    }
}

// Turns a square of 64 x 64 bits over its diagonal: bit j of word i goes to bit i of word j.
// Halves, then quarters and so on, swapped in place.
void transposeSquare(uint64_t a[64]) {
    uint64_t mask = 0x00000000FFFFFFFFull;
    for (int j = 32; j != 0; j >>= 1, mask ^= mask << j) {
        for (int k = 0; k < 64; k = ((k | j) + 1) & ~j) {
            const uint64_t t = ((a[k] >> j) ^ a[k | j]) & mask;
            a[k] ^= t << j;
            a[k | j] ^= t;
        }
    }
}

// Sets positions from..to (inclusive) of one plane line.
void setWords(uint64_t* line, int first, int last, uint64_t head, uint64_t tail) {
    line[first] |= head;
    for (int w = first + 1; w < last; ++w) line[w] = ~uint64_t(0);
    line[last] |= tail;
}
// The bits from bit b up, and up to bit b, of a word, by b.
constexpr auto kBitsFrom = [] {
    std::array<uint64_t, 64> bits{};
    for (int b = 0; b < 64; ++b) bits[static_cast<std::size_t>(b)] = ~uint64_t(0) << b;
    return bits;
}();
constexpr auto kBitsUpTo = [] {
    std::array<uint64_t, 64> bits{};
    for (int b = 0; b < 64; ++b) bits[static_cast<std::size_t>(b)] = ~uint64_t(0) >> (63 - b);
    return bits;
}();

// Runs of a curve's lines are short and cross a word boundary now and then, in no order: the
// two cases share one path (the second store of a run within one word goes to a scratch word),
// as a mispredicted branch would cost more than the stores.
inline void setRun(uint64_t* line, int from, int to, uint64_t& scratch) {
    const int first = from >> 6, last = to >> 6;
    const bool oneWord = first == last;
    const uint64_t head = kBitsFrom[static_cast<std::size_t>(from & 63)];
    const uint64_t tail = kBitsUpTo[static_cast<std::size_t>(to & 63)];
    uint64_t* const lastWord = oneWord ? &scratch : line + last;
    line[first] |= head & (oneWord ? tail : ~uint64_t(0));
    *lastWord |= tail;
    if (last - first > 1) setWords(line, first, last, head, tail); // a run over more than two words
}
inline void setRun(uint64_t* line, int from, int to) {
    uint64_t scratch = 0;
    setRun(line, from, to, scratch);
}

// The line between the middles of pixels (pStart, lStart) and (pEnd, lEnd) of a plane, with
// pStart <= pEnd and |lEnd - lStart| between 1 and pEnd - pStart: one run per plane line, each
// plane line taking the pixels whose middles lie nearer to it than to the next. Integer steps
// (a run-slice line), so a line crossing many plane lines costs one division.
void setPixelRuns(uint64_t* words, std::ptrdiff_t stride, int pStart, int lStart, int pEnd, int lEnd) {
    const int across = std::abs(lEnd - lStart);
    const int step = lEnd > lStart ? 1 : -1;
    const int along = pEnd - pStart; // both within a plane line's length: no overflow below
    // Plane line j hands over at pStart + ceil((2j + 1) * along / (2 * across)).
    const int divisor = 2 * across;
    int quotient = along / divisor, remainder = along % divisor;
    const int quotientStep = 2 * quotient + (2 * remainder >= divisor ? 1 : 0);
    const int remainderStep = 2 * remainder - (2 * remainder >= divisor ? divisor : 0);
    int from = pStart;
    int line = lStart;
    for (int j = 0; j < across; ++j) {
        const int next = std::min(pStart + quotient + (remainder != 0 ? 1 : 0), pEnd);
        setRun(words + line * stride, from, std::max(from, next - 1));
        from = std::max(from, next);
        line += step;
        quotient += quotientStep;
        remainder += remainderStep;
        if (remainder >= divisor) {
            ++quotient;
            remainder -= divisor;
        }
    }
    setRun(words + line * stride, from, pEnd);
}

// Exchanges a and b when `condition` holds, computed: consecutive lines of a curve turn every
// way, and a mispredicted branch would cost more than drawing the whole line.
inline void swapIf(bool condition, int& a, int& b) {
    const int difference = (a ^ b) & -static_cast<int>(condition);
    a ^= difference;
    b ^= difference;
}

// The two planes of a canvas as plain values, which the bit stores cannot change.
struct Canvas {
    uint64_t* planes[2];          // rows, columns
    std::ptrdiff_t strides[2];    // words per plane line
    unsigned width, height;
};

#if defined(__SSE2__)
// Lane-wise `mask ? a : b`, and the absolute value, with the processor's vector instructions.
inline __m128i select(__m128i mask, __m128i a, __m128i b) {
    return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b));
}
inline __m128i absolute(__m128i v) {
    const __m128i sign = _mm_srai_epi32(v, 31);
    return _mm_sub_epi32(_mm_xor_si128(v, sign), sign);
}

// The work of setLinesOnCanvas four lines at a time: where each line runs (plane, plane lines,
// runs) is worked out for four at once, then their bits are set one after another. Stops before
// a group of four with a point off the canvas, or fewer than four points left.
std::size_t setLineGroups(const Canvas& canvas, const int32_t* px, const int32_t* py, std::size_t k, std::size_t count,
                          int& lastX, int& lastY) {
    uint64_t* const rows = canvas.planes[0];
    uint64_t* const columns = canvas.planes[1];
    const std::ptrdiff_t rowStride = canvas.strides[0], columnStride = canvas.strides[1];
    // Unsigned "below" as a signed comparison with the top bit flipped on both sides.
    const __m128i flip = _mm_set1_epi32(static_cast<int32_t>(0x80000000u));
    const __m128i widthLimit = _mm_set1_epi32(static_cast<int32_t>(canvas.width ^ 0x80000000u));
    const __m128i heightLimit = _mm_set1_epi32(static_cast<int32_t>(canvas.height ^ 0x80000000u));
    const __m128i one = _mm_set1_epi32(1);
    // Per line: plane line and run of its start, plane line and run of its end, steep, long.
    alignas(16) int32_t lStart[4], pStart[4], startRunEnd[4], lEnd[4], split[4], pEnd[4], steep[4], crossesMore[4];
    uint64_t scratch = 0;
    int ax = lastX, ay = lastY;
    for (; k + 4 <= count; k += 4) {
        const __m128i bx = _mm_loadu_si128(reinterpret_cast<const __m128i*>(px + k));
        const __m128i by = _mm_loadu_si128(reinterpret_cast<const __m128i*>(py + k));
        const __m128i onCanvas = _mm_and_si128(_mm_cmplt_epi32(_mm_xor_si128(bx, flip), widthLimit),
                                               _mm_cmplt_epi32(_mm_xor_si128(by, flip), heightLimit));
        if (_mm_movemask_epi8(onCanvas) != 0xFFFF) break;
        // Each line starts at the point before: (ax, ay), then the first three of this group.
        const __m128i sx = _mm_or_si128(_mm_slli_si128(bx, 4), _mm_cvtsi32_si128(ax));
        const __m128i sy = _mm_or_si128(_mm_slli_si128(by, 4), _mm_cvtsi32_si128(ay));
        const __m128i isSteep = _mm_cmpgt_epi32(absolute(_mm_sub_epi32(by, sy)), absolute(_mm_sub_epi32(bx, sx)));
        const __m128i p0 = select(isSteep, sy, sx), l0 = select(isSteep, sx, sy);
        const __m128i p1 = select(isSteep, by, bx), l1 = select(isSteep, bx, by);
        const __m128i reversed = _mm_cmpgt_epi32(p0, p1);
        const __m128i ps = select(reversed, p1, p0), pe = select(reversed, p0, p1);
        const __m128i ls = select(reversed, l1, l0), le = select(reversed, l0, l1);
        const __m128i half = _mm_srai_epi32(_mm_add_epi32(_mm_add_epi32(ps, pe), one), 1);
        const __m128i beforeHalf = _mm_sub_epi32(half, one);
        _mm_store_si128(reinterpret_cast<__m128i*>(lStart), ls);
        _mm_store_si128(reinterpret_cast<__m128i*>(pStart), ps);
        _mm_store_si128(reinterpret_cast<__m128i*>(startRunEnd), select(_mm_cmpgt_epi32(ps, beforeHalf), ps, beforeHalf));
        _mm_store_si128(reinterpret_cast<__m128i*>(lEnd), le);
        _mm_store_si128(reinterpret_cast<__m128i*>(split), half);
        _mm_store_si128(reinterpret_cast<__m128i*>(pEnd), pe);
        _mm_store_si128(reinterpret_cast<__m128i*>(steep), isSteep);
        _mm_store_si128(reinterpret_cast<__m128i*>(crossesMore), _mm_cmpgt_epi32(absolute(_mm_sub_epi32(le, ls)), one));
#pragma GCC unroll 4
        for (int j = 0; j < 4; ++j) {
            uint64_t* const words = steep[j] ? columns : rows;
            const std::ptrdiff_t stride = steep[j] ? columnStride : rowStride;
            if (crossesMore[j]) {
                setPixelRuns(words, stride, pStart[j], lStart[j], pEnd[j], lEnd[j]);
                continue;
            }
            setRun(words + lStart[j] * stride, pStart[j], startRunEnd[j], scratch);
            setRun(words + lEnd[j] * stride, split[j], pEnd[j], scratch);
        }
        ax = px[k + 3];
        ay = py[k + 3];
    }
    lastX = ax;
    lastY = ay;
    return k;
}
#endif

// Sets the lines from (lastX, lastY), a pixel on the canvas, through the points from..count-1
// of px/py as long as they lie on the canvas; returns the index of the first point that does
// not (count when all do), leaving (lastX, lastY) at the point before it. The slow cases stay
// out of this loop, so that all it needs fits in the processor's registers.
std::size_t setLinesOnCanvas(const Canvas& canvas, const int32_t* px, const int32_t* py, std::size_t from,
                             std::size_t count, int& lastX, int& lastY) {
#if defined(__SSE2__)
    from = setLineGroups(canvas, px, py, from, count, lastX, lastY);
#endif
    uint64_t* const rows = canvas.planes[0];
    uint64_t* const columns = canvas.planes[1];
    const std::ptrdiff_t rowStride = canvas.strides[0], columnStride = canvas.strides[1];
    int ax = lastX, ay = lastY;
    std::size_t k = from;
    for (; k < count; ++k) {
        const int bx = px[k], by = py[k];
        if (!((static_cast<unsigned>(bx) < canvas.width) & (static_cast<unsigned>(by) < canvas.height))) break;
        // Steep lines go to the plane stored column by column, coordinates exchanged.
        const bool steep = std::abs(by - ay) > std::abs(bx - ax);
        int pStart = ax, lStart = ay, pEnd = bx, lEnd = by;
        swapIf(steep, pStart, lStart);
        swapIf(steep, pEnd, lEnd);
        const bool reversed = pStart > pEnd;
        swapIf(reversed, pStart, pEnd);
        swapIf(reversed, lStart, lEnd);
        uint64_t* const words = steep ? columns : rows;
        const std::ptrdiff_t stride = steep ? columnStride : rowStride;
        ax = bx;
        ay = by;
        if (static_cast<unsigned>(lEnd - lStart + 1) > 2u) { // more than one plane line crossed
            setPixelRuns(words, stride, pStart, lStart, pEnd, lEnd);
            continue;
        }
        // Crossing at most one plane line (the usual case): two runs, split half way.
        const int split = (pStart + pEnd + 1) >> 1;
        setRun(words + lStart * stride, pStart, std::max(pStart, split - 1));
        setRun(words + lEnd * stride, split, pEnd);
    }
    lastX = ax;
    lastY = ay;
    return k;
}

} // namespace

LineMask::LineMask(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    auto setUp = [](Plane& plane, int lines, int length) {
        plane.lines = lines;
        plane.length = length;
        plane.wordsPerLine = (static_cast<std::size_t>(length) + 63) / 64;
        plane.words.assign(plane.wordsPerLine * static_cast<std::size_t>(lines), 0);
    };
    setUp(rows_, height, width);
    setUp(columns_, width, height);
}

void LineMask::addPixel(int x, int y) {
    if (static_cast<unsigned>(x) < static_cast<unsigned>(rows_.length) &&
        static_cast<unsigned>(y) < static_cast<unsigned>(rows_.lines))
        setRun(rows_.line(y), x, x);
}

void LineMask::addPolyline(const double* xs, const double* ys, std::size_t count, const Scale& scale) {
    if (count == 0 || rows_.lines == 0 || rows_.length == 0) return;
    const bool scaled = scale.yMultiplier != 1.0 || scale.yDivisor != 1.0;
    auto exact = [&](std::size_t i) {
        const double x = scale.kx * (xs ? xs[i] : static_cast<double>(i + 1)) + scale.ox;
        const double y = scaled ? scale.yMultiplier * ys[i] / scale.yDivisor : ys[i];
        return std::pair(x, scale.ky * y + scale.oy);
    };
    const Canvas canvas{{rows_.words.data(), columns_.words.data()},
                        {static_cast<std::ptrdiff_t>(rows_.wordsPerLine), static_cast<std::ptrdiff_t>(columns_.wordsPerLine)},
                        static_cast<unsigned>(rows_.length),
                        static_cast<unsigned>(rows_.lines)};
    const unsigned width = canvas.width, height = canvas.height;

    // The points go to pixel indices a block at a time (loops the compiler runs several points
    // at once), then the lines between them are set.
    constexpr std::size_t kBlock = 512;
    int32_t px[kBlock], py[kBlock];
    int32_t keptX[kBlock], keptY[kBlock]; // the points kept of those
    uint32_t at[kBlock];                  // block index of each point kept
    int lastX = 0, lastY = 0;
    bool lastInside = false;
    int blocksUndropped = 0;
    auto onCanvas = [width, height](int x, int y) {
        return (static_cast<unsigned>(x) < width) & (static_cast<unsigned>(y) < height);
    };
    for (std::size_t start = 0; start < count; start += kBlock) {
        const std::size_t n = std::min(kBlock, count - start);
        toPixels(xs ? xs + start : nullptr, start, n, scale.kx, scale.ox, px);
        toPixels(ys + start, 0, n, scale.ky, scale.oy, py, scaled, scale.yMultiplier, scale.yDivisor);
        std::size_t first = 0;
        if (start == 0) {
            addPixel(px[0], py[0]);
            lastX = px[0];
            lastY = py[0];
            lastInside = onCanvas(lastX, lastY);
            first = 1;
        }
        // A point in the pixel of the point before adds nothing: drop it, without branching
        // (a slow curve has as many such points as others, in no order). Where the block before
        // had hardly any (a fast curve), the dropping is not worth its cost: it is left out.
        const int32_t* xsKept = px + first;
        const int32_t* ysKept = py + first;
        std::size_t kept = n - first;
        if (blocksUndropped == 0) {
            kept = 0;
            for (std::size_t j = first, x = static_cast<std::size_t>(lastX), y = static_cast<std::size_t>(lastY); j < n; ++j) {
                const auto nx = static_cast<std::size_t>(px[j]), ny = static_cast<std::size_t>(py[j]);
                keptX[kept] = px[j];
                keptY[kept] = py[j];
                at[kept] = static_cast<uint32_t>(j);
                kept += static_cast<std::size_t>((nx != x) | (ny != y));
                x = nx;
                y = ny;
            }
            xsKept = keptX;
            ysKept = keptY;
            // Fewer than a tenth dropped: leave the next seven blocks as they are.
            blocksUndropped = kept * 10 < (n - first) * 9 ? 0 : 7;
        } else {
            --blocksUndropped;
        }
        std::size_t k = 0;
        while (k < kept) {
            if (lastInside) {
                k = setLinesOnCanvas(canvas, xsKept, ysKept, k, kept, lastX, lastY);
                if (k == kept) break;
            }
            // The line to point k leaves the canvas or lies outside it: cut it at the edges,
            // from the point just before (in the same pixel as the last one kept).
            const std::size_t i = start + (xsKept == keptX ? at[k] : first + k);
            const auto [fax, fay] = exact(i - 1);
            const auto [fbx, fby] = exact(i);
            addLine(fax, fay, fbx, fby);
            lastX = xsKept[k];
            lastY = ysKept[k];
            lastInside = onCanvas(lastX, lastY);
            ++k;
        }
    }
}

bool LineMask::Plane::extent(int& firstLine, int& lastLine, int& lowPosition, int& highPosition) const {
    firstLine = -1;
    for (int line = 0; line < lines; ++line) {
        const uint64_t* row = this->line(line);
        for (std::size_t w = 0; w < wordsPerLine; ++w) {
            if (row[w] == 0) continue;
            const int low = static_cast<int>(w * 64) + std::countr_zero(row[w]);
            const int high = static_cast<int>(w * 64) + 63 - std::countl_zero(row[w]);
            if (firstLine < 0) {
                firstLine = line;
                lowPosition = low;
                highPosition = high;
            }
            lastLine = line;
            lowPosition = std::min(lowPosition, low);
            highPosition = std::max(highPosition, high);
        }
    }
    return firstLine >= 0;
}

void LineMask::addLine(double ax, double ay, double bx, double by) {
    if (rows_.lines == 0 || rows_.length == 0) return;
    if (!clipToBox(ax, ay, bx, by, rows_.length, rows_.lines)) return;
    if (std::fabs(bx - ax) >= std::fabs(by - ay))
        addLongSpans(rows_, ax, ay, bx, by);
    else
        addLongSpans(columns_, ay, ax, by, bx);
}

void LineMask::addLongSpans(Plane& plane, double p0, double l0, double p1, double l1) {
    if (p0 > p1) {
        std::swap(p0, p1);
        std::swap(l0, l1);
    }
    const int pStart = pixelIndex(p0, plane.length), pEnd = pixelIndex(p1, plane.length);
    const int lStart = pixelIndex(l0, plane.lines), lEnd = pixelIndex(l1, plane.lines);
    if (lStart == lEnd) {
        setRun(plane.line(lStart), pStart, pEnd);
        return;
    }
    const double perLine = (p1 - p0) / (l1 - l0);
    const int step = lEnd > lStart ? 1 : -1;
    int from = pStart;
    for (int l = lStart; l != lEnd; l += step) {
        const double boundary = step > 0 ? l + 1 : l;
        const double crossing = p0 + (boundary - l0) * perLine;
        // Not negative here, so truncation is the floor.
        const int next = std::clamp(static_cast<int>(std::max(crossing + 0.5, 0.0)), from, pEnd);
        setRun(plane.line(l), from, std::max(from, next - 1));
        from = next;
    }
    setRun(plane.line(lEnd), from, pEnd);
}

void LineMask::merge(const LineMask& other) {
    if (other.rows_.length != rows_.length || other.rows_.lines != rows_.lines) return;
    for (std::size_t i = 0; i < rows_.words.size(); ++i) rows_.words[i] |= other.rows_.words[i];
    for (std::size_t i = 0; i < columns_.words.size(); ++i) columns_.words[i] |= other.columns_.words[i];
}

bool LineMask::pixel(int x, int y) const {
    if (static_cast<unsigned>(x) >= static_cast<unsigned>(rows_.length) ||
        static_cast<unsigned>(y) >= static_cast<unsigned>(rows_.lines))
        return false;
    return rows_.test(y, x) || columns_.test(x, y);
}

QRect LineMask::bounds() const {
    int top = 0, bottom = 0, left = 0, right = 0;
    const bool inRows = rows_.extent(top, bottom, left, right);
    int columnLeft = 0, columnRight = 0, columnTop = 0, columnBottom = 0;
    const bool inColumns = columns_.extent(columnLeft, columnRight, columnTop, columnBottom);
    if (!inRows && !inColumns) return {};
    if (!inRows) return QRect(QPoint(columnLeft, columnTop), QPoint(columnRight, columnBottom));
    if (inColumns) {
        left = std::min(left, columnLeft);
        right = std::max(right, columnRight);
        top = std::min(top, columnTop);
        bottom = std::max(bottom, columnBottom);
    }
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

QImage LineMask::toImage(QRgb color, QPoint* origin) const {
    const Bits bits = toBits();
    if (origin) *origin = bits.box.topLeft();
    if (bits.box.isEmpty()) return {};
    QImage image(bits.box.size(), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return {};
    image.fill(0);
    bits.paintInto(image, -bits.box.topLeft(), color);
    return image;
}

LineMask::Bits LineMask::toBits() const {
    Bits bits;
    bits.box = bounds();
    if (bits.box.isEmpty()) return bits;
    bits.wordsPerRow = (static_cast<std::size_t>(bits.box.width()) + 63) / 64;
    bits.words.assign(bits.wordsPerRow * static_cast<std::size_t>(bits.box.height()), 0);
    const int left = bits.box.left(), top = bits.box.top(), bottom = bits.box.bottom();
    // Bits outside the box are never set, so every set bit lands inside it, and words read
    // past its edges add nothing. A row's words are its plane line's, shifted to begin at `left`.
    const std::size_t skip = static_cast<std::size_t>(left) / 64;
    const unsigned shift = static_cast<unsigned>(left) % 64;
    for (int y = top; y <= bottom; ++y) {
        const uint64_t* row = rows_.line(y);
        uint64_t* out = bits.words.data() + static_cast<std::size_t>(y - top) * bits.wordsPerRow;
        for (std::size_t g = 0; g < bits.wordsPerRow && skip + g < rows_.wordsPerLine; ++g) {
            uint64_t word = row[skip + g] >> shift;
            if (shift != 0 && skip + g + 1 < rows_.wordsPerLine) word |= row[skip + g + 1] << (64 - shift);
            out[g] = word;
        }
    }
    // The column plane 64 columns by 64 rows at a time: such a square, turned over its
    // diagonal, is 64 words of the rows.
    uint64_t square[64];
    const std::size_t firstWord = static_cast<std::size_t>(top) / 64, lastWord = static_cast<std::size_t>(bottom) / 64;
    for (std::size_t g = 0; g < bits.wordsPerRow; ++g) {
        const int x0 = left + static_cast<int>(g * 64);
        const int count = std::min(64, bits.box.right() + 1 - x0);
        for (std::size_t w = firstWord; w <= lastWord; ++w) {
            uint64_t any = 0;
            for (int i = 0; i < 64; ++i) {
                square[i] = i < count ? columns_.line(x0 + i)[w] : 0;
                any |= square[i];
            }
            if (any == 0) continue;
            transposeSquare(square);
            for (int j = 0; j < 64; ++j) {
                const int y = static_cast<int>(w * 64) + j;
                if (square[j] != 0)
                    bits.words[static_cast<std::size_t>(y - top) * bits.wordsPerRow + g] |= square[j];
            }
        }
    }
    return bits;
}

void LineMask::Bits::paintInto(QImage& image, QPoint offset, QRgb color) const {
    if (box.isEmpty()) return;
    paintInto(reinterpret_cast<uint32_t*>(image.bits()), image.bytesPerLine() / 4, offset, color, 0, image.height());
}

void LineMask::Bits::paintInto(uint32_t* pixels, qsizetype stride, QPoint offset, QRgb color, int fromRow,
                               int toRow) const {
    if (box.isEmpty()) return;
    const uint32_t opaque = 0xFF000000u | (color & 0x00FFFFFFu);
    const int top = box.top() + offset.y();
    for (int y = std::max(0, fromRow - top); y < box.height() && y + top < toRow; ++y) {
        uint32_t* const line = pixels + static_cast<qsizetype>(y + box.top() + offset.y()) * stride + box.left() + offset.x();
        const uint64_t* row = words.data() + static_cast<std::size_t>(y) * wordsPerRow;
        for (std::size_t w = 0; w < wordsPerRow; ++w)
            for (uint64_t set = row[w]; set != 0; set &= set - 1)
                line[w * 64 + static_cast<std::size_t>(std::countr_zero(set))] = opaque;
    }
}

} // namespace varnotile
