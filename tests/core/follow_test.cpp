// Following a growing file: whatever way the bytes arrive, the followed table ends as a fresh
// load of the final file, with no row lost or doubled.
#include "change_recorder.h"
#include "follow.h"
#include "loader.h"
#include "save_file.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace varnotile;

namespace {

std::string tableOf(const DataSet& ds) {
    std::string t = std::to_string(ds.Layout.ColumnCount) + " columns, first " + std::to_string(ds.Layout.FirstDataLine) + "\n";
    for (int k = 1; k <= ds.Layout.ColumnCount; ++k) t += ds.Layout.ColumnNames[k] + "|";
    t += "\n";
    for (int r = 1; r <= ds.Layout.DataRowCount; ++r) {
        for (int k = 1; k <= ds.Layout.ColumnCount; ++k) {
            t.append(ds.Table.Cells.cell(k, r)).append("=");
            const double v = ds.value(k, r);
            t += std::isnan(v) ? "gap" : std::to_string(v);
            t += "|";
        }
        t += "\n";
    }
    for (int k = 1; k <= 10; ++k)
        t += std::to_string(ds.Table.ColumnMin[k]) + ".." + std::to_string(ds.Table.ColumnMax[k]) + " ";
    return t;
}

void load(DataSet& ds, const std::string& path, const ReadOptions& options) {
    ds.File.CurrentFileName = path;
    ds.Layout.Reading = options;
    LoadDataFile(ds);
}

// One step of a writer: append bytes, truncate to bytes, or replace the file by a renamed one.
struct Step {
    enum Kind { Append, Truncate, Replace } kind;
    std::string bytes;
};

struct Scenario {
    const char* name;
    ReadOptions options;
    std::vector<Step> steps;
    int reloads; // how many times the file must be read afresh
};

std::string rows(int from, int to) {
    std::string s;
    for (int i = from; i <= to; ++i) s += std::to_string(i) + "," + std::to_string(static_cast<long long>(i) * i % 97) + "\n";
    return s;
}

// Rows with a quoted text between the numbers.
std::string notedRows(int from, int to) {
    std::string s;
    for (int i = from; i <= to; ++i) s += std::to_string(i) + ",\"n\"," + std::to_string(static_cast<long long>(i) * i % 97) + "\n";
    return s;
}

} // namespace

TEST(Follow, EndsAsAFreshLoadOfTheFinalFile) {
    ReadOptions comments;
    comments.commentLines = true;
    comments.missingAsGaps = true;
    ReadOptions quotes;
    quotes.quotedTexts = true;
    ReadOptions missing;
    missing.missingAsGaps = true;
    ReadOptions robust;
    robust.robustSample = true;
    ReadOptions secondTable;
    secondTable.table = 2;
    // A logger's fixed comment header, longer than the first bytes the follower compares.
    const std::string banner = "# " + std::string(300, '=') + "\n# logger v2\nt,v\n";
    const std::string firstTable = "a,b,c\n1,2,3\n3,4,5\n5,6,7\n6,7,8\n\n";
    ReadOptions crEnds;
    crEnds.crLineEnds = true;
    const auto crRows = [](int from, int to) {
        std::string s = rows(from, to);
        std::replace(s.begin(), s.end(), '\n', '\r');
        return s;
    };
    const std::vector<Scenario> scenarios = {
        {"steady bursts", {}, {{Step::Append, "t,v\n" + rows(1, 30)}, {Step::Append, rows(31, 40)}, {Step::Append, rows(41, 41)}}, 0},
        {"lines cut in the middle",
         {},
         {{Step::Append, "t,v\n" + rows(1, 30) + "31,"}, {Step::Append, "5"}, {Step::Append, "\n32,7\n33"},
          {Step::Append, ",8\n"}},
         0},
        {"short at first", {}, {{Step::Append, "t,v\n1,2\n"}, {Step::Append, rows(2, 40)}}, 1},
        {"text past the last column", {}, {{Step::Append, "t,v\n" + rows(1, 30)}, {Step::Append, "31,5,note\n"}}, 1},
        {"truncated and rewritten", {}, {{Step::Append, "t,v\n" + rows(1, 30)}, {Step::Truncate, "t,v\n" + rows(1, 8)}, {Step::Append, rows(9, 12)}}, 1},
        {"replaced by rename", {}, {{Step::Append, "t,v\n" + rows(1, 30)}, {Step::Replace, "a,b\n" + rows(5, 40)}, {Step::Append, rows(41, 45)}}, 1},
        {"comments, blanks and gaps",
         comments,
         {{Step::Append, "# logger 3\nt,v\n" + rows(1, 30)}, {Step::Append, "# pause\n\n31,NA\n32,"}, {Step::Append, "4\n"}},
         0},
        {"quoted open line completed", quotes, {{Step::Append, "t,v\n" + rows(1, 30) + "31,\"4\"\"5"}, {Step::Append, "6\"\n"}}, 0},
        {"quoted line break completed by an append",
         quotes,
         {{Step::Append, "t,note,v\n" + notedRows(1, 30) + "31,\"two\n"}, {Step::Append, "lines\",5\n" + notedRows(32, 33)}},
         0},
        {"quote open over rows, closed by an append",
         quotes,
         {{Step::Append, "t,note,v\n" + notedRows(1, 30) + "31,\"a\n32,x,6\n"}, {Step::Append, "b\",1\n"},
          {Step::Append, notedRows(33, 34)}},
         1},
        // Completed lines that were, or become, a column's least or greatest number.
        {"missing values, ends moved by completed lines",
         missing,
         {{Step::Append, "t,v\n" + rows(1, 300) + "301,NA\n302,\n303,99"}, {Step::Append, "0\n304,-9999"},
          {Step::Append, "e-9\n305,NA\n306,3\n"}},
         0},
        {"sample turns to text past the header", {}, {{Step::Append, "t,v\n" + rows(1, 300)}, {Step::Append, "text,words\n"}}, 1},
        {"started anew behind the same first bytes",
         comments,
         {{Step::Append, banner + rows(1, 30)}, {Step::Truncate, banner + rows(101, 140)}, {Step::Append, rows(141, 142)}},
         1},
        {"started anew behind the same first bytes, caught as long as before",
         comments,
         {{Step::Append, banner + rows(1, 30)}, {Step::Truncate, banner + rows(1, 29) + "30,99\n"}},
         1},
        {"a table chosen: its rows go on, then another table begins",
         secondTable,
         {{Step::Append, firstTable + "t,v\n" + rows(1, 30)}, {Step::Append, rows(31, 40)}, {Step::Append, rows(41, 41)},
          {Step::Append, "\nx,y,z\n1,2,3\n2,3,4\n3,4,5\n"}, {Step::Append, "4,5,6\n"}},
         1},
        {"a table chosen: a blank line after it, then rows",
         secondTable,
         {{Step::Append, firstTable + "t,v\n" + rows(1, 30) + "\n"}, {Step::Append, rows(31, 32)}},
         1},
        {"a quoted text over three appends", quotes,
         {{Step::Append, "t,note,v\n" + notedRows(1, 30)}, {Step::Append, "31,\"two\n"}, {Step::Append, "more\n"},
          {Step::Append, "lines\",5\n" + notedRows(32, 33)}},
         0},
        {"lines ended by CR alone", crEnds, {{Step::Append, "t,v\r" + crRows(1, 30)}, {Step::Append, crRows(31, 40) + "41,"}, {Step::Append, "5\r"}}, 0},
        {"footer, then rows after it",
         robust,
         {{Step::Append, "t,v\n" + rows(1, 300)}, {Step::Append, "end of log\n"}, {Step::Append, rows(301, 303)}},
         2},
    };
    for (const Scenario& s : scenarios) {
        SCOPED_TRACE(s.name);
        test::TempDir dir;
        const std::string path = dir.path() + "/log.csv";
        std::string content;
        DataSet followed;
        FollowWatch watch;
        bool loaded = false;
        int reloads = 0;
        for (const Step& step : s.steps) {
            if (step.kind == Step::Append) {
                content += step.bytes;
                std::ofstream(path, std::ios::binary | std::ios::app) << step.bytes;
            } else if (step.kind == Step::Truncate) {
                content = step.bytes;
                std::ofstream(path, std::ios::binary | std::ios::trunc) << step.bytes;
            } else {
                content = step.bytes;
                std::ofstream(path + ".new", std::ios::binary) << step.bytes;
                ASSERT_EQ(std::rename((path + ".new").c_str(), path.c_str()), 0);
            }
            if (!loaded) {
                load(followed, path, s.options);
                watch = WatchLoadedFile(followed);
                loaded = true;
                tableOf(followed); // every cell read once, as a window shows them
                continue;
            }
            const GrowthResult growth = FollowGrowth(followed, watch);
            if (growth.kind == Growth::Reload) {
                ++reloads;
                load(followed, path, s.options);
                watch = WatchLoadedFile(followed);
            }
            tableOf(followed);
        }
        DataSet fresh;
        load(fresh, path, s.options);
        // A line still without its break waits, so the fresh load reads the file up to the last break.
        if (!content.empty() && content.back() != '\n' && watch.offset < content.size()) {
            const std::string complete = content.substr(0, content.rfind('\n') + 1);
            std::ofstream(path, std::ios::binary | std::ios::trunc) << complete;
            load(fresh, path, s.options);
        }
        EXPECT_EQ(tableOf(followed), tableOf(fresh));
        EXPECT_EQ(reloads, s.reloads);
    }
}

// A logger writes on while the file is loaded: what it wrote after the load read the file, even
// the rest of the open last line, must still arrive, and the completed line's numbers count; a
// file replaced in that moment is read afresh.
TEST(Follow, ChangesBetweenTheLoadAndTheWatchArrive) {
    struct Case {
        const char* name;
        Step beforeWatch, afterWatch;
        Growth kind;
        const char* changes;
        std::string start = "t,v\n" + rows(1, 30) + "31,1";
    };
    const std::vector<Case> cases = {
        {"line completed", {Step::Append, "00"}, {Step::Append, "\n"}, Growth::Appended, "cells 0 31-31; statistics 0; finished"},
        {"replaced", {Step::Replace, "t,v\n" + rows(2, 60)}, {Step::Append, rows(61, 62)}, Growth::Reload, ""},
        {"empty at the load", {Step::Append, "t,v\n" + rows(1, 30)}, {Step::Append, rows(31, 32)}, Growth::Reload, "", ""},
    };
    // The file's time as the growth was read (a save that keeps the file's date gives it back).
    constexpr int64_t kReadAt = 1000000000;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        const std::string path = dir.write("log.csv", c.start);
        auto write = [&](const Step& step) {
            if (step.kind == Step::Append) {
                std::ofstream(path, std::ios::binary | std::ios::app) << step.bytes;
                return;
            }
            std::ofstream(path + ".new", std::ios::binary) << step.bytes;
            ASSERT_EQ(std::rename((path + ".new").c_str(), path.c_str()), 0);
        };
        DataSet followed;
        load(followed, path, {});
        write(c.beforeWatch);
        FollowWatch watch = WatchLoadedFile(followed);
        write(c.afterWatch);
        ASSERT_TRUE(setFileAgeStamp(path, kReadAt));
        test::ChangeRecorder changes(followed);
        const GrowthResult growth = FollowGrowth(followed, watch);
        EXPECT_EQ(growth.kind, c.kind);
        EXPECT_EQ(changes.take(), c.changes);
        if (growth.kind == Growth::Appended) EXPECT_EQ(followed.File.FileAgeStamp, kReadAt);
        if (growth.kind == Growth::Reload) load(followed, path, {});
        DataSet fresh;
        load(fresh, path, {});
        EXPECT_EQ(tableOf(followed), tableOf(fresh));
    }
}

// A large growth comes in over several looks of bounded size; a jump no logger makes (a file
// extended by a hole) is not read at all, and the table stays as it was.
TEST(Follow, ReadsALargeGrowthInPiecesAndRefusesAJump) {
    test::TempDir dir;
    const std::string path = dir.write("log.csv", "t,v\n" + rows(1, 30));
    DataSet followed;
    load(followed, path, {});
    FollowWatch watch = WatchLoadedFile(followed);
    std::string many;
    for (int i = 31; i <= 2000000; ++i) many += std::to_string(i) + ",7\n";
    std::ofstream(path, std::ios::binary | std::ios::app) << many;
    int looks = 0;
    for (GrowthResult growth; looks == 0 || growth.more; ++looks) {
        growth = FollowGrowth(followed, watch);
        ASSERT_EQ(growth.kind, Growth::Appended);
    }
    EXPECT_GE(looks, 2);
    DataSet fresh;
    load(fresh, path, {});
    EXPECT_EQ(followed.Layout.DataRowCount, fresh.Layout.DataRowCount);
    EXPECT_EQ(followed.Table.Cells.cell(1, 2000000), "2000000");

    struct Jump {
        uint64_t bytes;
        const char* says;
    };
    for (const Jump jump : {Jump{40ull << 20, "a line longer than"}, Jump{200ull << 30, "more than this computer can hold"}}) {
        const uint64_t size = std::filesystem::file_size(path);
        ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(size + jump.bytes)), 0);
        const GrowthResult growth = FollowGrowth(followed, watch);
        EXPECT_EQ(growth.kind, Growth::Reload);
        EXPECT_NE(growth.tooLarge.find(jump.says), std::string::npos) << growth.tooLarge;
        EXPECT_EQ(followed.Layout.DataRowCount, 2000000);
        ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(size)), 0);
    }
}

// A save over a followed file asks first while a program holds it open for writing; a reader
// (a viewer, "tail -f") is no reason to.
TEST(Follow, SeesAFileHeldOpenForWriting) {
    test::TempDir dir;
    const std::string path = dir.write("log.csv", "1\n");
    EXPECT_FALSE(FileOpenForWriting(path));
    {
        std::ifstream reader(path);
        EXPECT_FALSE(FileOpenForWriting(path));
        std::ofstream writer(path, std::ios::app);
        EXPECT_TRUE(FileOpenForWriting(path));
    }
    EXPECT_FALSE(FileOpenForWriting(path));
    EXPECT_FALSE(FileOpenForWriting(dir.path() + "/none.csv"));
}
