// The page preview's rectangles, the chart's rectangle on the printer page and the help page's path.
#include "help_file.h"
#include "page_geometry.h"

#include <gtest/gtest.h>

using namespace varnotile;

TEST(PageGeometry, LongSideRoundsHalvesToEven) {
    EXPECT_EQ(longSidePixels(0), 0);
    EXPECT_EQ(longSidePixels(1), 2);  // 1.5
    EXPECT_EQ(longSidePixels(2), 3);
    EXPECT_EQ(longSidePixels(3), 4);  // 4.5
    EXPECT_EQ(longSidePixels(5), 8);  // 7.5
    EXPECT_EQ(longSidePixels(7), 10); // 10.5
    EXPECT_EQ(longSidePixels(99), 148); // 148.5
}

TEST(PageGeometry, PortraitPreview) {
    const PagePreview p = pagePreview({1, 3, 5, 0}, false); // Left, Top, Right, Bottom
    EXPECT_EQ(p.PageWidth, 100);
    EXPECT_EQ(p.PageHeight, 150);
    EXPECT_EQ(p.Printable, (PageRect{1, 4, 95, 150}));
    EXPECT_EQ(p.GuideY[0], 4);
    EXPECT_EQ(p.GuideY[1], 150);
    EXPECT_EQ(p.GuideX[0], 1);
    EXPECT_EQ(p.GuideX[1], 95);
}

TEST(PageGeometry, LandscapePreviewScalesTheHorizontalMargins) {
    const PagePreview p = pagePreview({1, 3, 5, 0}, true);
    EXPECT_EQ(p.PageWidth, 150);
    EXPECT_EQ(p.PageHeight, 100);
    EXPECT_EQ(p.Printable, (PageRect{2, 3, 142, 100}));
    EXPECT_EQ(p.GuideX[0], 2);
    EXPECT_EQ(p.GuideX[1], 142);
    EXPECT_EQ(p.GuideY[0], 3);
    EXPECT_EQ(p.GuideY[1], 100);
    // The start margins of 10 on every side.
    EXPECT_EQ(pagePreview({}, true).Printable, (PageRect{15, 10, 135, 90}));
    EXPECT_EQ(pagePreview({}, false).Printable, (PageRect{10, 15, 90, 135}));
}

TEST(PageGeometry, ChartRectangleOnThePage) {
    // Margins are percent of the width (left, right) and the height (top, bottom), each rounded.
    EXPECT_EQ(chartPrintRect(1000, 2000, {15, 15, 15, 15}), (PageRect{150, 300, 850, 1700}));
    EXPECT_EQ(chartPrintRect(793, 1123, {10, 20, 30, 0}), (PageRect{79, 225, 793 - 238, 1123}));
    EXPECT_EQ(chartPrintRect(500, 300, {0, 0, 0, 0}), (PageRect{0, 0, 500, 300}));
    EXPECT_EQ(chartPrintRect(100, 100, {99, 0, 0, 99}), (PageRect{99, 0, 100, 1}));
    EXPECT_EQ(marginLimit(60), 39);
    EXPECT_EQ(marginLimit(99), 0);
}

TEST(HelpFile, ExtensionReplacedOrAppended) {
    EXPECT_EQ(helpFilePath("/usr/bin/varnotile"), "/usr/bin/varnotile.html");
    EXPECT_EQ(helpFilePath("/Tools/view.exe"), "/Tools/view.html");
    EXPECT_EQ(helpFilePath("/opt/my tools/view.bin.exe"), "/opt/my tools/view.bin.html");
    // A dot in a folder name is not the file's extension.
    EXPECT_EQ(helpFilePath("/opt/app.d/varnotile"), "/opt/app.d/varnotile.html");
    EXPECT_EQ(helpFilePath("C:\\Tools.x\\view"), "C:\\Tools.x\\view.html");
    EXPECT_EQ(helpFilePath("varnotile"), "varnotile.html");
}
