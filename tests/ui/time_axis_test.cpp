// A time column as X: the chart's axis labels are dates and times in a format that fits the step.
#include "curve_chart.h"
#include "loader.h"
#include "test_files.h"
#include "time_axis_ticker.h"

#include <QDateTime>
#include <QTime>

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>

using namespace varnotile;

namespace {

constexpr double kDay = 86400, kMonth = 30.4375 * kDay, kYear = 12 * kMonth;

// A chart of one curve over a time column from `first` to `first + span` seconds.
struct TimeChart {
    test::TempDir dir;
    DataSet ds;
    CurveChart chart;
    TimeChart(double span, bool clockOnly = false) {
        std::string text = "time,v\n";
        const double first = clockOnly ? 8 * 3600 : 1'794'614'400; // 08:00, 2026-11-14
        for (int i = 0; i <= 40; ++i) {
            const auto at = QDateTime::fromSecsSinceEpoch(qint64(first + span * i / 40), Qt::UTC);
            text += (clockOnly ? at.toString("HH:mm:ss") : at.toString("yyyy-MM-ddTHH:mm:ss")).toStdString() + "," +
                    std::to_string(i % 7) + "\n";
        }
        ds.File.CurrentFileName = dir.write("t.csv", text);
        ds.Layout.Reading.datesAndTimes = true;
        EXPECT_EQ(LoadDataFile(ds).status, LoadOutcome::Status::Loaded);
        ds.View.CurveVisible.fill(true);
        ds.View.XColumn = 1;
        chart.resize(900, 500);
        chart.showDataSet(ds);
        chart.replot();
    }
};

} // namespace

TEST(TimeAxis, LabelFormatFollowsTheStepFromMillisecondsToYears) {
    const struct {
        double step;
        bool clockOnly;
        const char* format;
    } cases[] = {
        {0.5, false, "HH:mm:ss.zzz\nyyyy-MM-dd"}, {10, false, "HH:mm:ss\nyyyy-MM-dd"}, {3600, false, "HH:mm\nyyyy-MM-dd"},
        {2 * 86400, false, "yyyy-MM-dd"},         {2 * kMonth, false, "MMM yyyy"},     {2 * kYear, false, "yyyy"},
        {10, true, "HH:mm:ss"},                   {3600, true, "HH:mm"},
        // A step that is not a whole unit shows the next smaller one: no label is rounded.
        {2.5, false, "HH:mm:ss.zzz\nyyyy-MM-dd"}, {150, false, "HH:mm:ss\nyyyy-MM-dd"}, {150, true, "HH:mm:ss"},
        {36 * 3600, false, "HH:mm\nyyyy-MM-dd"},  {2.5 * kYear, false, "MMM yyyy"},
    };
    for (const auto& c : cases) EXPECT_EQ(TimeAxisTicker::formatFor(c.step, c.clockOnly), c.format) << c.step;
}

TEST(TimeAxis, ATimeColumnAsXGivesDateTicksWrittenAsInTheFile) {
    test::TempDir dir;
    DataSet ds;
    std::string text = "time,v\n";
    for (int d = 10; d <= 20; ++d) text += "2026-11-" + std::to_string(d) + "T12:00:00,1\n";
    ds.File.CurrentFileName = dir.write("days.csv", text);
    ds.Layout.Reading.datesAndTimes = true;
    ASSERT_EQ(LoadDataFile(ds).status, LoadOutcome::Status::Loaded);
    ds.View.CurveVisible.fill(true);
    ds.View.XColumn = 1;
    CurveChart chart;
    chart.resize(600, 400);
    chart.showDataSet(ds);
    EXPECT_EQ(chart.timeAxis(), TimeKind::YearFirst);
    ASSERT_TRUE(chart.xAxis->ticker().dynamicCast<TimeAxisTicker>());
    // Days at midnight as written, whatever the machine's time zone.
    const QByteArray zoneBefore = qgetenv("TZ");
    qputenv("TZ", "America/New_York");
    tzset();
    chart.replot();
    const QVector<double> ticks = chart.xAxis->tickVector();
    const QVector<QString> labels = chart.xAxis->tickVectorLabels();
    ASSERT_GE(ticks.size(), 3);
    for (int i = 0; i < ticks.size(); ++i) {
        EXPECT_EQ(std::fmod(ticks[i], 86400.0), 0.0) << labels[i].toStdString();
        EXPECT_EQ(labels[i], QDateTime::fromSecsSinceEpoch(qint64(ticks[i]), Qt::UTC).toString("yyyy-MM-dd"));
    }
    if (zoneBefore.isEmpty())
        qunsetenv("TZ");
    else
        qputenv("TZ", zoneBefore);
    tzset();

    ds.View.XColumn = 0;
    chart.showDataSet(ds);
    EXPECT_EQ(chart.timeAxis(), TimeKind::None);
    EXPECT_FALSE(chart.xAxis->ticker().dynamicCast<QCPAxisTickerDateTime>());
}

// Every label names its tick exactly, at spans from minutes to years (a label read back with its
// format is the tick's time): steps like 2.5 minutes never show rounded times.
TEST(TimeAxis, LabelsReadBackAsTheirTicksAtEverySpan) {
    const struct {
        double span;
        bool clockOnly;
    } cases[] = {{150, false}, {600, true}, {20 * 60, false}, {7 * 3600, false}, {kDay, false},
                 {3 * 7 * kDay, false}, {200 * kDay, false}, {12 * kYear, false}};
    for (const auto& c : cases) {
        TimeChart t(c.span, c.clockOnly);
        for (const QCPRange& range : {t.chart.xAxis->range(), t.chart.xAxis->range() * 1.1, t.chart.xAxis->range() * 0.37}) {
            t.chart.xAxis->setRange(range);
            t.chart.replot();
            const auto ticker = t.chart.xAxis->ticker().dynamicCast<TimeAxisTicker>();
            ASSERT_TRUE(ticker);
            const QVector<double> ticks = t.chart.xAxis->tickVector();
            const QVector<QString> labels = t.chart.xAxis->tickVectorLabels();
            ASSERT_GE(ticks.size(), 2) << c.span;
            for (int i = 0; i < ticks.size(); ++i) {
                double seconds = 0;
                if (c.clockOnly) { // a time of day: seconds since midnight
                    seconds = QTime::fromString(labels[i], ticker->dateTimeFormat()).msecsSinceStartOfDay() / 1000.0;
                } else {
                    QDateTime back = QDateTime::fromString(labels[i], ticker->dateTimeFormat());
                    back.setTimeSpec(Qt::UTC);
                    seconds = back.toMSecsSinceEpoch() / 1000.0;
                }
                EXPECT_NEAR(seconds, ticks[i], 1e-3) << c.span << " " << labels[i].toStdString();
            }
        }
    }
}

// Zooming out stops at the year 1 and the year 9999.
TEST(TimeAxis, ZoomingOutStaysWithinTheCalendar) {
    TimeChart t(kDay);
    t.chart.xAxis->scaleRange(1e9);
    t.chart.replot();
    const QDate first = QDateTime::fromSecsSinceEpoch(qint64(t.chart.xAxis->range().lower), Qt::UTC).date();
    const QDate last = QDateTime::fromSecsSinceEpoch(qint64(t.chart.xAxis->range().upper), Qt::UTC).date();
    EXPECT_GE(first.year(), 1);
    EXPECT_LE(last.year(), 9999);
    for (const QString& label : t.chart.xAxis->tickVectorLabels()) EXPECT_FALSE(label.startsWith('-')) << label.toStdString();
}
