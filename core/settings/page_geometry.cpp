#include "page_geometry.h"

#include <cmath>

namespace varnotile {

int longSidePixels(int percent) {
    const int triple = 3 * percent; // 1.5 × percent = triple / 2
    if (triple % 2 == 0) return triple / 2;
    // A half: take the even neighbour.
    const int below = (triple - 1) / 2;
    return below % 2 == 0 ? below : below + 1;
}

PagePreview pagePreview(const PageMarginSet& m, bool landscape) {
    PagePreview p;
    if (landscape) {
        p.PageWidth = 150;
        p.PageHeight = 100;
        p.Printable = {longSidePixels(m.Left), m.Top, 150 - longSidePixels(m.Right), 100 - m.Bottom};
    } else {
        p.PageWidth = 100;
        p.PageHeight = 150;
        p.Printable = {m.Left, longSidePixels(m.Top), 100 - m.Right, 150 - longSidePixels(m.Bottom)};
    }
    p.GuideY[0] = p.Printable.Top;
    p.GuideY[1] = p.Printable.Bottom;
    p.GuideX[0] = p.Printable.Left;
    p.GuideX[1] = p.Printable.Right;
    return p;
}

PageRect chartPrintRect(int pageWidth, int pageHeight, const PageMarginSet& m) {
    auto part = [](int percent, int size) {
        return static_cast<int>(std::lround(static_cast<double>(percent) * size / 100.0));
    };
    return {part(m.Left, pageWidth), part(m.Top, pageHeight), pageWidth - part(m.Right, pageWidth),
            pageHeight - part(m.Bottom, pageHeight)};
}

} // namespace varnotile
