// Export of the chart to PNG, SVG and PDF, from the window's chart at its size on screen and by
// varnotile-cli render at a given size and palette.
#include "chart_export.h"
#include "curve_chart.h"
#include "main_window.h"
#include "palettes.h"
#include "test_files.h"

#include <QColor>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <map>

#include <gtest/gtest.h>

using namespace varnotile;

namespace {

// Three numeric columns drawn as curves 1..3 over four rows.
const char* kFile = "A,B,C\n1,10,-4\n2,20,-8\n3,40,2\n2,30,6\n";
constexpr int kRows = 4;
constexpr int kCurvesDrawn = 3;

// The lines of at least kRows points in an SVG that lie in a clipped group, counted by stroke
// colour: the curves (axes, grid and legend symbols are shorter). Empty when the file is not
// well-formed XML.
std::map<std::string, int> curveLinesByColour(const QByteArray& svg, QString* viewBox) {
    std::map<std::string, int> lines;
    QXmlStreamReader xml(svg);
    // Of the enclosing elements, innermost last: their stroke and whether one of them clips.
    QStringList strokes{QStringLiteral("none")};
    QList<bool> clipped{false};
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const QXmlStreamAttributes a = xml.attributes();
            if (xml.name() == QLatin1String("svg")) *viewBox = a.value(QLatin1String("viewBox")).toString();
            strokes.append(a.hasAttribute(QLatin1String("stroke")) ? a.value(QLatin1String("stroke")).toString()
                                                                    : strokes.last());
            clipped.append(clipped.last() || a.hasAttribute(QLatin1String("clip-path")));
            const auto points = a.value(QLatin1String("points")).trimmed().split(QLatin1Char(' '));
            if (xml.name() == QLatin1String("polyline") && points.size() >= kRows && clipped.last())
                ++lines[strokes.last().toLower().toStdString()];
        } else if (xml.isEndElement()) {
            strokes.removeLast();
            clipped.removeLast();
        }
    }
    if (xml.hasError()) {
        ADD_FAILURE() << xml.errorString().toStdString() << " at line " << xml.lineNumber();
        return {};
    }
    return lines;
}

// Checks the file at `path` as the format its name gives, `size` pixels large, holding one line
// per drawn curve in the palette's colour.
void expectPicture(const QString& path, QSize size, CurvePalette palette) {
    SCOPED_TRACE(path.toStdString());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    switch (*ChartFileFormatOf(path)) {
    case ChartFileFormat::Png:
        EXPECT_EQ(QImage::fromData(bytes, "PNG").size(), size);
        break;
    case ChartFileFormat::Svg: {
        std::map<std::string, int> expected;
        for (int k = 1; k <= kCurvesDrawn; ++k) {
            const Rgb c = PaletteColors(palette)[k - 1];
            ++expected[QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF).name().toStdString()];
        }
        QString viewBox;
        EXPECT_EQ(curveLinesByColour(bytes, &viewBox), expected);
        EXPECT_EQ(viewBox, QStringLiteral("0 0 %1 %2").arg(size.width()).arg(size.height()));
        break;
    }
    case ChartFileFormat::Pdf: {
        EXPECT_TRUE(bytes.startsWith("%PDF"));
        const QString text = QString::fromLatin1(bytes);
        int pages = 0;
        for (auto it = QRegularExpression(QStringLiteral("/Type\\s*/Page(?!s)")).globalMatch(text); it.hasNext(); it.next())
            ++pages;
        EXPECT_EQ(pages, 1);
        // One page of the picture's size, at the screen's 96 pixels per inch.
        const QRegularExpressionMatch box =
            QRegularExpression(QStringLiteral("/MediaBox \\[0 0 ([\\d.]+) ([\\d.]+)\\]")).match(text);
        ASSERT_TRUE(box.hasMatch());
        EXPECT_NEAR(box.captured(1).toDouble(), size.width() * 0.75, 0.5);
        EXPECT_NEAR(box.captured(2).toDouble(), size.height() * 0.75, 0.5);
        break;
    }
    }
}

} // namespace

TEST(ChartExport, WritesEachFormatFromTheWindowAndTheCommandLine) {
    varnotile::test::TempDir dir;
    const QString data = QString::fromStdString(dir.write("c.csv", kFile));
    MainWindow w(QString::fromStdString(dir.path() + "/varnotile.INI"));
    w.resize(900, 600);
    w.show();
    w.openFile(data);
    auto* chart = w.findChild<CurveChart*>(QStringLiteral("Chart1"));
    ASSERT_NE(chart, nullptr);
    DataSet colours;
    ApplyPalette(CurvePalette::Distinct, colours.View.CurveColors);
    chart->applyCurveColors(colours);
    chart->replot();
    const QImage onScreen = chart->grab().toImage();

    struct Case {
        const char* name;
        const char* palette; // nullptr: the window's chart at its size on screen
    };
    const Case cases[] = {{"w.png", nullptr},      {"w.svg", nullptr},      {"w.pdf", nullptr},
                          {"c.png", "distinct"},   {"c.svg", "distinct"},   {"c.pdf", "distinct"},
                          {"black.svg", "black"}};
    for (const Case& c : cases) {
        const QString out = QString::fromStdString(dir.path() + "/" + c.name);
        if (!c.palette) {
            QString error;
            ASSERT_TRUE(ExportChart(*chart, out, QSize(), &error)) << error.toStdString();
            expectPicture(out, chart->size(), CurvePalette::Distinct);
            continue;
        }
        QProcess p;
        p.start(QStringLiteral(VARNOTILE_CLI), {QStringLiteral("render"), QStringLiteral("--size"), QStringLiteral("640x480"),
                                                QStringLiteral("--palette"), QString::fromLatin1(c.palette), data, out});
        ASSERT_TRUE(p.waitForFinished(30000));
        ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        expectPicture(out, QSize(640, 480), *PaletteNamed(c.palette));
    }
    // The window's chart is drawn as before the exports.
    chart->replot();
    EXPECT_EQ(chart->grab().toImage(), onScreen);

    QProcess p;
    p.start(QStringLiteral(VARNOTILE_CLI), {QStringLiteral("render"), QStringLiteral("--palette"), QStringLiteral("grey"),
                                            data, QString::fromStdString(dir.path() + "/g.svg")});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 2);
}
