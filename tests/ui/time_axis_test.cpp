// A time column as X: the chart's axis labels are dates and times in a format that fits the step.
#include "curve_chart.h"
#include "loader.h"
#include "test_files.h"
#include "time_axis_ticker.h"

#include <QDateTime>

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>

using namespace varnotile;

TEST(TimeAxis, LabelFormatFollowsTheStepFromMillisecondsToYears) {
    const struct {
        double step;
        bool clockOnly;
        const char* format;
    } cases[] = {
        {0.5, false, "HH:mm:ss.zzz\nyyyy-MM-dd"}, {10, false, "HH:mm:ss\nyyyy-MM-dd"}, {3600, false, "HH:mm\nyyyy-MM-dd"},
        {2 * 86400, false, "yyyy-MM-dd"},         {60 * 86400, false, "MMM yyyy"},     {730 * 86400, false, "yyyy"},
        {10, true, "HH:mm:ss"},                   {3600, true, "HH:mm"},
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
