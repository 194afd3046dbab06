// varnotile-cli render: loads a file as the window does and writes its chart, drawn exactly as
// the window draws it, to a PNG, SVG or PDF file.
#include "chart_export.h"
#include "cli_common.h"
#include "curve_chart.h"
#include "palettes.h"
#include "settings_file.h"

#include <QApplication>
#include <QFile>

#include <charconv>
#include <cstdlib>
#include <iostream>

namespace varnotile::cli {
namespace {

constexpr int kLargestSide = 20000;

bool parseInt(std::string_view text, int& out) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc() && ptr == end;
}

bool parseSize(const std::string& text, int& width, int& height) {
    const auto x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    return parseInt(std::string_view(text).substr(0, x), width) && parseInt(std::string_view(text).substr(x + 1), height) &&
           width >= 1 && height >= 1 && width <= kLargestSide && height <= kLargestSide;
}

// The window program runs without a display only on the offscreen platform.
void chooseOffscreenWithoutDisplay() {
    const bool display = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
    if (!display && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
}

} // namespace

int runRender(int argc, char** argv) {
    chooseOffscreenWithoutDisplay();
    QApplication app(argc, argv);
    const CommandSyntax syntax{"render", usageWith("[--x N] [--numeric] [--log-y] [--log-x] [--size WxH] [--palette distinct|black] FILE OUT"),
                               "Draws the chart of FILE as the window draws it into OUT, a .png, .svg or .pdf file.",
                               {QStringLiteral("FILE"), QStringLiteral("OUT")}};
    QCommandLineParser parser;
    addCommonOptions(parser);
    parser.addOptions({
        {QStringLiteral("x"), QStringLiteral("The X column (0, the default, is the row number)."), QStringLiteral("N"),
         QStringLiteral("0")},
        {QStringLiteral("numeric"), QStringLiteral("Uses the numeric Y scale instead of the percentage.")},
        {QStringLiteral("log-y"),
         QStringLiteral("A logarithmic Y axis (values themselves, so implies --numeric); values of 0 or less are left out.")},
        {QStringLiteral("log-x"),
         QStringLiteral("A logarithmic X axis; values of 0 or less are left out. A time axis stays linear.")},
        {QStringLiteral("size"), QStringLiteral("The picture size in pixels (default 1200x800)."), QStringLiteral("WxH"),
         QStringLiteral("1200x800")},
        {QStringLiteral("palette"),
         QStringLiteral("The curve colours: distinct (ten colours told apart also with a colour-vision "
                        "deficiency) or black (all black); without it the settings file's colours."),
         QStringLiteral("NAME")},
    });
    OptionalValues optionalValues;
    if (const std::optional<int> status = parseCommandLine(parser, syntax, app.arguments().mid(2), optionalValues))
        return *status;
    const std::optional<LoadOptions> options = loadOptionsOf(parser, optionalValues, syntax);
    if (!options) return kExitUsage;
    const std::string xText = parser.value(QStringLiteral("x")).toStdString();
    const std::string sizeText = parser.value(QStringLiteral("size")).toStdString();
    const bool logY = parser.isSet(QStringLiteral("log-y"));
    const bool logX = parser.isSet(QStringLiteral("log-x"));
    const bool numeric = parser.isSet(QStringLiteral("numeric")) || logY;
    const std::string paletteText = parser.value(QStringLiteral("palette")).toStdString();

    int xColumn = 0;
    const int xLimit = options->reading.options.wideFiles || options->reading.automatic ? kWideColumnLimit : kColumnLimit;
    if (!parseInt(xText, xColumn) || xColumn < 0 || xColumn > xLimit)
        return refuse(syntax, "--x takes a column number from 0 (row number) to " + std::to_string(xLimit) + ", not '" +
                                  xText + "'");
    int width = 0, height = 0;
    if (!parseSize(sizeText, width, height))
        return refuse(syntax, "--size takes WIDTHxHEIGHT in pixels (1 to 20000 each), not '" + sizeText + "'");
    const QString out = parser.positionalArguments().at(1);
    if (!ChartFileFormatOf(out)) return refuse(syntax, "OUT must end in .png, .svg or .pdf");
    const std::optional<CurvePalette> palette =
        parser.isSet(QStringLiteral("palette")) ? PaletteNamed(paletteText) : std::nullopt;
    if (parser.isSet(QStringLiteral("palette")) && !palette)
        return refuse(syntax, "--palette takes distinct or black, not '" + paletteText + "'");

    // The view as the window starts it: every curve wanted, legend and chart title on.
    DataSet ds;
    ds.View.CurveVisible.fill(true);
    ds.Layout.ColumnNames[0] = "Row";
    ds.View.XColumn = xColumn;
    ds.View.PercentScale = !numeric;
    ds.View.LogScaleY = logY;
    ds.View.LogScaleX = logX;
    ds.View.ShowCurveNames = true;
    ds.View.ShowChartTitle = true;
    // Only the curve colours come from the settings file, unless a palette replaces them; the
    // delimiter follows the options.
    DataSet settings;
    ReadSettingsFile(settings, settingsPathBesideProgram());
    ds.View.CurveColors = settings.View.CurveColors;
    if (palette) ApplyPalette(*palette, ds.View.CurveColors);

    LoadOutcome outcome;
    const int status = loadForCommand(ds, *options, QFile::encodeName(parser.positionalArguments().at(0)).toStdString(), outcome);
    for (const std::string& message : outcome.messages) std::cerr << message << "\n";
    if (status != kExitLoaded) return status;
    // --auto takes the proposed X axis too (a first column of dates or times), unless --x chose one.
    const int proposedX = ds.Layout.Proposal.xColumn;
    if (options->reading.automatic && !parser.isSet(QStringLiteral("x")) && proposedX >= 1 && proposedX <= kCurveCount &&
        ds.Layout.ColumnTime[proposedX] != TimeKind::None)
        ds.View.XColumn = proposedX;

    CurveChart chart;
    chart.resize(width, height);
    chart.showDataSet(ds);
    if (chart.logLeftOut() > 0)
        std::cerr << chart.logLeftOut() << " values of 0 or less left out of the logarithmic axis\n";
    QString error;
    if (!ExportChart(chart, out, QSize(width, height), &error)) {
        std::cerr << "varnotile-cli render: " << error.toStdString() << "\n";
        return kExitUsage;
    }
    return kExitLoaded;
}

} // namespace varnotile::cli
