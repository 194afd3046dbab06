#pragma once
// Page arithmetic of the Page Setup preview and of printing: where the printable area lies on the
// small preview page and which rectangle of the printer page the chart is stretched to.
#include "dataset.h"

namespace varnotile {

// A rectangle from (Left, Top) to (Right, Bottom); the right and bottom edges are exclusive.
struct PageRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int width() const { return Right - Left; }
    int height() const { return Bottom - Top; }
    bool operator==(const PageRect&) const = default;
};

// 1.5 × percent rounded to the nearest integer, ties to the even one: the preview's scale along
// the page's long side (1.5 pixels per percent).
int longSidePixels(int percent);

// The preview: a page of 100 × 150 pixels (portrait) or 150 × 100 (landscape), the printable
// area inside it and the two dotted guide lines in each direction, which run across the whole page.
struct PagePreview {
    int PageWidth = 0, PageHeight = 0;
    PageRect Printable;
    int GuideY[2] = {0, 0}; // horizontal guide lines, from x = 0 to PageWidth
    int GuideX[2] = {0, 0}; // vertical guide lines, from y = 0 to PageHeight
};
PagePreview pagePreview(const PageMarginSet& margins, bool landscape);

// The rectangle of a printable area of pageWidth × pageHeight printer pixels that the chart fills:
// each margin is its percentage of the page's width (left, right) or height (top, bottom),
// rounded to whole pixels.
PageRect chartPrintRect(int pageWidth, int pageHeight, const PageMarginSet& margins);

// The largest value a margin may take while the opposite margin is `opposite` (the two together
// never exceed 99 percent).
inline int marginLimit(int opposite) { return 99 - opposite; }

} // namespace varnotile
