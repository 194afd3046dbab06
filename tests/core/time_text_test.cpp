// Dates and times as values: the forms read into seconds, a timestamp file read with the option,
// its cells edited, shifted and saved.
#include "cell_editing.h"
#include "curves.h"
#include "data_writer.h"
#include "date_time_axis.h"
#include "format_detector.h"
#include "loader.h"
#include "modification.h"
#include "test_files.h"
#include "time_range_text.h"
#include "time_text.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace varnotile;

namespace {

constexpr double kDay = 86400;
constexpr double k2026_11_14 = 20771 * kDay; // days from 1970-01-01
constexpr double kRefused = -1e300;

struct FormCase {
    const char* text;
    TimeKind kind;
    double seconds; // kRefused: the text is no time of that kind
};

} // namespace

TEST(TimeText, FormsReadAsSecondsAndWriteBackAsTheyStood) {
    const FormCase cases[] = {
        // ISO 8601: as written, or UTC with an offset
        {"2026-11-14", TimeKind::YearFirst, k2026_11_14},
        {"2026-11-14 08:00:10", TimeKind::YearFirst, k2026_11_14 + 28810},
        {"2026-11-14T08:00:10.250Z", TimeKind::YearFirst, k2026_11_14 + 28810.25},
        {"2026-11-14T08:00:10+01:00", TimeKind::YearFirst, k2026_11_14 + 25210},
        {"2026-11-14T08:00-0530", TimeKind::YearFirst, k2026_11_14 + 28800 + 19800},
        {"1969-12-31T23:59:59", TimeKind::YearFirst, -1},
        {"2024-02-29", TimeKind::YearFirst, 19782 * kDay},
        {"2026-02-29", TimeKind::YearFirst, kRefused},
        {"2026-13-01", TimeKind::YearFirst, kRefused},
        {"2026-11-14 25:00", TimeKind::YearFirst, kRefused},
        {"2026-11-14 08:00 junk", TimeKind::YearFirst, kRefused},
        // time of day
        {"08:00:10", TimeKind::Clock, 28810},
        {"08:00:10.5", TimeKind::Clock, 28810.5},
        {"8:00", TimeKind::Clock, 28800},
        {"08:61", TimeKind::Clock, kRefused},
        {"12.5", TimeKind::Clock, kRefused},
        // spreadsheet forms
        {"14.11.2026 08:00", TimeKind::DayFirst, k2026_11_14 + 28800},
        {"14/11/2026", TimeKind::DayFirst, k2026_11_14},
        {"11/14/2026 8:00 AM", TimeKind::MonthFirst, k2026_11_14 + 28800},
        {"11/14/2026 12:30 PM", TimeKind::MonthFirst, k2026_11_14 + 45000},
        {"11/14/2026 12:30 AM", TimeKind::MonthFirst, k2026_11_14 + 1800},
        {"11/14/2026 13:30 PM", TimeKind::MonthFirst, kRefused},
        {"14/11/2026", TimeKind::MonthFirst, kRefused},
        {"14.11.2026", TimeKind::MonthFirst, kRefused}, // dotted dates are day first
        {"02/01/2026", TimeKind::DayFirst, 20455 * kDay},   // 2 January
        {"02/01/2026", TimeKind::MonthFirst, 20485 * kDay}, // 1 February
    };
    for (const FormCase& c : cases) {
        double seconds = 0;
        TimeForm form;
        const bool read = readTime(c.text, c.kind, seconds, &form);
        ASSERT_EQ(read, c.seconds != kRefused) << c.text;
        if (!read) continue;
        EXPECT_DOUBLE_EQ(seconds, c.seconds) << c.text;
        EXPECT_EQ(writeTime(seconds, form), c.text) << "written back";
    }
    // A column of slashed dates that read either way is named by its kinds; a day above 12 decides.
    const unsigned eitherWay = timeKindsOf("02/01/2026"), dayFirst = timeKindsOf("14/01/2026");
    EXPECT_EQ(eitherWay, (1u << unsigned(TimeKind::DayFirst)) | (1u << unsigned(TimeKind::MonthFirst)));
    EXPECT_EQ(dayFirst, 1u << unsigned(TimeKind::DayFirst));
    EXPECT_EQ(timeKindsOf("1.5"), 0u);
    EXPECT_EQ(isoTimeText(k2026_11_14 + 28810.25, TimeKind::DayFirst), "2026-11-14T08:00:10.25");
    EXPECT_EQ(isoTimeText(k2026_11_14, TimeKind::YearFirst), "2026-11-14");
    EXPECT_EQ(isoTimeText(3661, TimeKind::Clock), "01:01:01");
    // Two ends of a range read alike: the midnight end keeps its clock, both take the fraction.
    EXPECT_EQ(isoTimeTextAlike(k2026_11_14, TimeKind::YearFirst, k2026_11_14 + 86340), "2026-11-14T00:00:00");
    EXPECT_EQ(isoTimeTextAlike(k2026_11_14 + 60, TimeKind::YearFirst, k2026_11_14 + 0.5), "2026-11-14T00:01:00.0");
}

namespace {

void load(DataSet& ds, const std::string& bytes, bool dates, bool dayFirst = false) {
    static varnotile::test::TempDir dir;
    static int serial = 0;
    ds.File.CurrentFileName = dir.write("t" + std::to_string(++serial) + ".csv", bytes);
    ds.Layout.Reading.datesAndTimes = dates;
    ds.Layout.Reading.dayFirst = dayFirst;
    ASSERT_EQ(LoadDataFile(ds).status, LoadOutcome::Status::Loaded);
}

const char* kLog = "time,temp\n"
                   "2026-11-14 08:00:00,1.5\n"
                   "2026-11-14 08:00:10,2.5\n"
                   "2026-11-14 08:00:20,3.5\n"
                   "2026-11-14T08:00:30+01:00,4.5\n"
                   "2026-11-14 08:00:40,5.5\n";

} // namespace

TEST(TimeColumns, ATimestampColumnHoldsSecondsEditsShiftsAndSavesAsWritten) {
    DataSet plain;
    load(plain, kLog, false);
    EXPECT_FALSE(plain.Layout.ColumnIsNumeric[1]) << "off by default: a text column";
    EXPECT_EQ(plain.Layout.ColumnTime[1], TimeKind::None);

    DataSet ds;
    load(ds, kLog, true);
    ASSERT_EQ(ds.Layout.ColumnTime[1], TimeKind::YearFirst);
    EXPECT_TRUE(ds.Layout.ColumnIsNumeric[1]);
    EXPECT_EQ(ds.Layout.ColumnTime[2], TimeKind::None);
    EXPECT_DOUBLE_EQ(ds.Table.Values[1][2], k2026_11_14 + 28810);
    EXPECT_DOUBLE_EQ(ds.Table.Values[1][4], k2026_11_14 + 28830 - 3600); // in UTC
    EXPECT_DOUBLE_EQ(ds.Table.ColumnMax[1], k2026_11_14 + 28840);
    EXPECT_EQ(ds.valueText(1, ds.Table.ColumnMin[1]), "2026-11-14T07:00:30");

    // An edit must read as a date of the column; a gap (empty) is fine.
    EXPECT_TRUE(RefusedCellText(ds, 1, "soon"));
    EXPECT_TRUE(RefusedCellText(ds, 1, "14.11.2026 08:00")) << "another form than the column's";
    EXPECT_FALSE(EditCell(ds, 1, 2, "soon"));
    EXPECT_EQ(ds.Table.Cells.cell(1, 2), "2026-11-14 08:00:10");
    EXPECT_TRUE(EditCell(ds, 1, 2, "2026-11-15 08:00:10"));
    EXPECT_DOUBLE_EQ(ds.Table.Values[1][2], k2026_11_14 + kDay + 28810);
    EXPECT_FALSE(RefusedCellText(ds, 2, "soon")) << "numeric columns take any text as before";

    // Modify: an offset shifts each time in its own form; a factor or condition is refused.
    ModifyRequest shift;
    shift.factor = "1";
    shift.offset = "3600";
    shift.fromRow = 3;
    shift.toRow = 4;
    EXPECT_FALSE(RefusedTimeModification(ds, 1, shift));
    EXPECT_TRUE(ApplyModification(ds, 1, PlanModification(ds, shift)).applied);
    EXPECT_EQ(ds.Table.Cells.cell(1, 3), "2026-11-14 09:00:20");
    EXPECT_EQ(ds.Table.Cells.cell(1, 4), "2026-11-14T09:00:30+01:00");
    EXPECT_DOUBLE_EQ(ds.Table.Values[1][3], k2026_11_14 + 32420);
    ModifyRequest scale = shift;
    scale.factor = "2";
    EXPECT_TRUE(RefusedTimeModification(ds, 1, scale));
    EXPECT_FALSE(ApplyModification(ds, 1, PlanModification(ds, scale)).applied);

    // Unchanged cells are written as they stood, changed ones in their own form (lines end in CRLF).
    const std::string saved = ds.File.CurrentFileName + ".out.csv";
    ASSERT_EQ(SaveDataFile(ds, saved, false), "");
    std::string written = varnotile::test::readFile(saved);
    std::erase(written, '\r');
    EXPECT_EQ(written, "time,temp\n"
                                                "2026-11-14 08:00:00,1.5\n"
                                                "2026-11-15 08:00:10,2.5\n"
                                                "2026-11-14 09:00:20,3.5\n"
                                                "2026-11-14T09:00:30+01:00,4.5\n"
                                                "2026-11-14 08:00:40,5.5\n");
}

TEST(TimeColumns, SlashedDatesFollowADayAboveTwelveElseTheSetting) {
    const std::string ambiguous = "date,v\n01/02/2026,1\n03/04/2026,2\n05/06/2026,3\n07/08/2026,4\n09/10/2026,5\n";
    DataSet monthFirst, dayFirst, decided;
    load(monthFirst, ambiguous, true);
    load(dayFirst, ambiguous, true, true);
    load(decided, "date,v\n13/02/2026,1\n03/04/2026,2\n05/06/2026,3\n07/08/2026,4\n09/10/2026,5\n", true);
    EXPECT_EQ(monthFirst.Layout.ColumnTime[1], TimeKind::MonthFirst);
    EXPECT_EQ(dayFirst.Layout.ColumnTime[1], TimeKind::DayFirst);
    EXPECT_EQ(decided.Layout.ColumnTime[1], TimeKind::DayFirst);

    // The detector proposes the option and the first column as X, naming the undecided column.
    const FormatProposal proposal = ProposeReading(monthFirst.File.FileLines, '.');
    EXPECT_TRUE(proposal.options.datesAndTimes);
    EXPECT_EQ(proposal.xColumn, 1);
    EXPECT_NE(proposal.sentence().find("slashed dates in column 1"), std::string::npos) << proposal.sentence();
    EXPECT_FALSE(ProposeReading(decided.File.FileLines, '.').sentence().find("slashed") != std::string::npos);
}

namespace {

struct ColumnCase {
    const char* name;
    std::string bytes;
    TimeKind kind;    // of column 1
    int missing;      // cells of column 1 counted as missing
    int invalid;      // of them, cells holding a text that is no valid time
    int invalidLine;  // file line of the first (0: none)
};

} // namespace

TEST(TimeColumns, AColumnsKindComesFromMostOfItsRowsAndBadCellsAreCountedGaps) {
    const ColumnCase cases[] = {
        {"a year out of range at the sample line",
         "t,v\n2026-11-14 08:00,1\n2026-11-14 09:00,2\n2026-11-14 10:00,3\n99999-11-14 11:00,4\n", TimeKind::YearFirst,
         1, 1, 5},
        {"an offset out of range",
         "t,v\n2026-11-14T08:00+01:00,1\n2026-11-14T09:00+25:00,2\n2026-11-14T10:00+01:00,3\n2026-11-14T11:00+01:00,4\n",
         TimeKind::YearFirst, 1, 1, 3},
        {"no such day and no such hour",
         "t,v\n2026-02-27,1\n2026-02-30,2\n2026-03-01,3\n2026-03-02,4\n2026-03-03,5\n", TimeKind::YearFirst, 1, 1, 3},
        {"times of day with 25:00:00 and an empty cell",
         "t,v\n08:00:00,1\n25:00:00,2\n,3\n09:00:00,4\n10:00:00,5\n", TimeKind::Clock, 2, 1, 3},
        {"a time and a station line above the data",
         "7:18,a\nStation 4\n\n2026-11-14T08:00:00,1\n2026-11-14T08:00:10,2\n2026-11-14T08:00:20,3\n"
         "2026-11-14T08:00:30,4\n",
         TimeKind::YearFirst, 0, 0, 0},
        {"a column of words with one date stays text", "t,v\nred,1\ngreen,2\n2026-11-14,3\nblue,4\nred,5\n",
         TimeKind::None, 0, 0, 0},
    };
    for (const ColumnCase& c : cases) {
        DataSet ds;
        static varnotile::test::TempDir dir;
        ds.File.CurrentFileName = dir.write(std::string(c.name).substr(0, 12) + ".csv", c.bytes);
        ds.Layout.Reading.datesAndTimes = true;
        const LoadOutcome outcome = LoadDataFile(ds);
        ASSERT_EQ(outcome.status, LoadOutcome::Status::Loaded) << c.name;
        EXPECT_EQ(ds.Layout.ColumnTime[1], c.kind) << c.name;
        EXPECT_EQ(ds.Table.MissingCount[1], c.missing) << c.name;
        EXPECT_EQ(ds.Table.InvalidTimeCount[1], c.invalid) << c.name;
        EXPECT_EQ(ds.Table.FirstInvalidTimeLine[1], c.invalidLine) << c.name;
        const bool reported = !outcome.messages.empty() &&
                              outcome.messages.back().find("no valid date or time") != std::string::npos;
        EXPECT_EQ(reported, c.invalid > 0) << c.name;
    }
    // A leap second as a time of day is written as itself, not as the next midnight.
    double seconds = 0;
    TimeForm form;
    ASSERT_TRUE(readTime("23:59:60", TimeKind::Clock, seconds, &form));
    EXPECT_EQ(writeTime(seconds, form), "23:59:60");
    EXPECT_EQ(isoTimeText(seconds, TimeKind::Clock), "23:59:60");
    ASSERT_TRUE(readTime("23:59:60.5", TimeKind::Clock, seconds, &form));
    EXPECT_EQ(writeTime(seconds, form), "23:59:60.5");
}

TEST(TimeColumns, ADateAndATimeColumnGiveOneTimeAxisAndTheCellsStayAsTheyAre) {
    const std::string bytes = "date,time,temp\n2026-11-14,23:59:50,1\n2026-11-15,00:00:10,2\n2026-11-15,00:00:30,3\n"
                              "2026-11-15,00:00:50,4\n2026-11-15,00:01:10,5\n";
    // The detector proposes the axis and names both columns.
    DataSet probe;
    probe.File.FileLines.assign(bytes);
    const FormatProposal proposal = ProposeReading(probe.File.FileLines, '.');
    EXPECT_TRUE(proposal.options.dateTimeAxis);
    EXPECT_EQ(proposal.xColumn, 1);
    EXPECT_NE(proposal.sentence().find("a date column and a time column (1 and 2), read as one time axis"),
              std::string::npos)
        << proposal.sentence();

    DataSet ds;
    ds.Layout.Reading.dateTimeAxis = true;
    load(ds, bytes, true);
    ASSERT_EQ(ds.Layout.DateTimeAxisColumn, 1);
    ds.View.XColumn = 1;
    ds.View.CurveVisible[2] = ds.View.CurveVisible[3] = true;
    const std::optional<CurveSource> temp = CurveSourceFor(ds, 3);
    ASSERT_TRUE(temp && temp->count == 5);
    EXPECT_DOUBLE_EQ(temp->xAt(0), k2026_11_14 + kDay - 10);
    EXPECT_DOUBLE_EQ(temp->xAt(1), k2026_11_14 + kDay + 10) << "the next day's date with its time";
    EXPECT_TRUE(temp->xAscending);
    EXPECT_FALSE(ColumnIsDrawn(ds, 2)) << "the time column is part of X";
    EXPECT_EQ(ds.Table.Cells.cell(1, 2), "2026-11-15");
    EXPECT_EQ(ds.Table.Cells.cell(2, 2), "00:00:10");

    // An edited time moves its point once the axis is made again; without the option, no axis.
    ASSERT_TRUE(EditCell(ds, 2, 2, "00:00:20"));
    EXPECT_TRUE(RefreshDateTimeAxis(ds));
    EXPECT_DOUBLE_EQ(CurveSourceFor(ds, 3)->xAt(1), k2026_11_14 + kDay + 20);
    DataSet without;
    load(without, bytes, true);
    EXPECT_EQ(without.Layout.DateTimeAxisColumn, 0);
}
