#pragma once
// A canvas of one bit per pixel for aliased lines one pixel wide, made for curves of a million
// points that run back and forth over the plot. A line is set as one run of bits per pixel row
// it crosses (or per pixel column, for steep lines, in a second plane stored column by column),
// so a line costs about as much as the rows or columns it crosses, not the pixels it covers.
#include <QImage>
#include <QPoint>
#include <QRect>

#include <cstdint>
#include <vector>

namespace varnotile {

class LineMask {
public:
    LineMask(int width, int height);

    int width() const { return rows_.length; }
    int height() const { return rows_.lines; }

    // Sets the pixel (x, y); nothing outside the canvas.
    void addPixel(int x, int y);
    // Sets the pixels of the line from (ax, ay) to (bx, by), pixel (i, j) covering [i, i+1) x
    // [j, j+1); the part outside the canvas is cut off.
    void addLine(double ax, double ay, double bx, double by);
    // Where a curve's points land: pixel x = kx * X + ox, pixel y = ky * Y + oy, where Y is
    // yMultiplier * ys[i] / yDivisor (the values of a curve's column on the curve's scale).
    struct Scale {
        double kx, ox, ky, oy;
        double yMultiplier = 1.0, yDivisor = 1.0;
    };
    // Joins the points (xs[i], Y of ys[i]), i = 0 .. count - 1, by lines in that order, X being
    // i + 1 when xs is null. Each line runs between the middles of its end pixels, as aliased drawing
    // does; a line leaving the canvas is cut off at its edge. The coordinates must be finite.
    void addPolyline(const double* xs, const double* ys, std::size_t count, const Scale& scale);

    // Sets every pixel `other` has set (a canvas of the same size; nothing otherwise).
    void merge(const LineMask& other);

    bool pixel(int x, int y) const;
    // The smallest rectangle holding every set pixel; empty when none is set.
    QRect bounds() const;
    // The set pixels of bounds() in `color`, the others transparent; `origin` gets bounds().topLeft().
    QImage toImage(QRgb color, QPoint* origin) const;
    // The set pixels of bounds(), row after row, one bit a pixel.
    struct Bits {
        QRect box; // empty: no pixel is set
        std::size_t wordsPerRow = 0;
        std::vector<uint64_t> words;
        // Sets each set pixel (x, y) to `color` at (x, y) + `offset` of `image` (ARGB32
        // premultiplied), which must hold `box` moved by `offset`.
        void paintInto(QImage& image, QPoint offset, QRgb color) const;
        // The same into the pixels of such an image, `stride` pixels a row, its rows fromRow..toRow-1
        // alone: several bands of one image may be painted at once.
        void paintInto(uint32_t* pixels, qsizetype stride, QPoint offset, QRgb color, int fromRow, int toRow) const;
    };
    Bits toBits() const;

private:
    // Bits of `lines` lines of `length` bits, each line padded to whole 64-bit words.
    struct Plane {
        int lines = 0;
        int length = 0;
        std::size_t wordsPerLine = 0;
        std::vector<uint64_t> words;

        uint64_t* line(int index) { return words.data() + static_cast<std::size_t>(index) * wordsPerLine; }
        const uint64_t* line(int index) const { return words.data() + static_cast<std::size_t>(index) * wordsPerLine; }
        bool test(int index, int position) const { return (line(index)[position >> 6] >> (position & 63)) & 1; }
        // First and last line holding a set bit, and the lowest and highest set position;
        // false when no bit is set.
        bool extent(int& firstLine, int& lastLine, int& lowPosition, int& highPosition) const;
    };

    // A line crossing any number of plane lines, p along them, l across, at least as long along
    // as across, its ends within [0, length] x [0, lines].
    static void addLongSpans(Plane& plane, double p0, double l0, double p1, double l1);

    Plane rows_;    // line = pixel row, position = x
    Plane columns_; // line = pixel column, position = y
};

} // namespace varnotile
