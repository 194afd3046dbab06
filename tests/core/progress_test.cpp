// Progress of a load and a save: each step rises and ends at its whole (the file's bytes, the
// table's rows), for a small file and a large one filled in parts on every core.
#include "data_writer.h"
#include "loader.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

using namespace varnotile;
using varnotile::test::TempDir;

namespace {

struct Reports {
    std::mutex mutex;
    std::map<WorkStep, std::vector<std::pair<uint64_t, uint64_t>>> byStep;
    ProgressReport hook() {
        return [this](WorkStep step, uint64_t done, uint64_t total) {
            const std::lock_guard lock(mutex);
            byStep[step].emplace_back(done, total);
        };
    }
    // Every report of `step` rises to `whole`, never past its total.
    void expectRisingTo(WorkStep step, uint64_t whole) {
        const auto& reports = byStep[step];
        ASSERT_FALSE(reports.empty());
        uint64_t before = 0;
        for (const auto& [done, total] : reports) {
            EXPECT_GE(done, before);
            EXPECT_LE(done, total);
            before = done;
        }
        EXPECT_EQ(reports.back().first, whole);
        EXPECT_EQ(reports.back().second, whole);
    }
};

} // namespace

TEST(Progress, LoadAndSaveReportRisingToTheWhole) {
    for (const int rows : {10, 300000}) {
        SCOPED_TRACE(rows);
        std::string text = "t,v\n";
        for (int r = 0; r < rows; ++r)
            text += std::to_string(r) + "," + std::to_string(r % 977) + ".5\n";
        TempDir dir;
        DataSet ds;
        ds.Layout.ListSeparator = ",";
        ds.File.CurrentFileName = dir.write("data.csv", text);
        Reports load;
        ASSERT_EQ(LoadDataFile(ds, false, load.hook()).status, LoadOutcome::Status::Loaded);
        ASSERT_EQ(ds.Layout.DataRowCount, rows);
        load.expectRisingTo(WorkStep::Reading, text.size());
        load.expectRisingTo(WorkStep::Filling, static_cast<uint64_t>(rows));
        if (rows > 1000) {
            EXPECT_GT(load.byStep[WorkStep::Filling].size(), 2u); // filled in parts
        }

        Reports save;
        ASSERT_EQ(SaveDataFile(ds, dir.path() + "/out.csv", false, save.hook()), "");
        save.expectRisingTo(WorkStep::Writing, static_cast<uint64_t>(rows));
        if (rows > 1000) {
            EXPECT_GT(save.byStep[WorkStep::Writing].size(), 2u); // reported in pieces
        }
    }
}

namespace {

// Seconds from `start`, on the clock the reports are timed by.
double since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

// A load can be cancelled only where it reports: no stretch of it goes long without a report,
// and a cancel stops it within a few reports (the parts not begun are not run).
TEST(Progress, ALoadReportsOftenAndStopsSoonAfterACancel) {
    std::string text = "t,a,b,c\n";
    for (int r = 0; r < 600000; ++r)
        text +=
            std::to_string(r) + "," + std::to_string(r % 977) + ".5,-" + std::to_string(r % 31) + ",7e-3\n";
    TempDir dir;
    const std::string path = dir.write("data.csv", text);
    bool withOptions = false; // read with a reading option on, which fills the table its own way
    auto load = [&](const ProgressReport& progress) {
        DataSet ds;
        ds.File.CurrentFileName = path;
        ds.Layout.Reading.commentLines = withOptions;
        return LoadDataFile(ds, false, progress).status;
    };
    for (const bool options : {false, true}) {
        withOptions = options;
        SCOPED_TRACE(options ? "with a reading option" : "plain");
        std::vector<double> at;
        std::mutex mutex;
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(load([&](WorkStep, uint64_t, uint64_t) {
                      const std::lock_guard lock(mutex);
                      at.push_back(since(start));
                  }),
                  LoadOutcome::Status::Loaded);
        const double whole = since(start);
        double longest = at.empty() ? whole : at.front();
        for (std::size_t i = 1; i < at.size(); ++i)
            longest = std::max(longest, at[i] - at[i - 1]);
        longest = std::max(longest, whole - at.back());
        // Timings are noisy: the ratio to the whole load is what is checked.
        EXPECT_LT(longest, whole * 0.3)
            << "longest stretch without a report " << longest << " s of " << whole << " s";

        for (const int cancelAt : {1, 3, 6}) {
            int reports = 0, afterCancel = 0;
            EXPECT_THROW(load([&](WorkStep, uint64_t, uint64_t) {
                             const std::lock_guard lock(mutex);
                             if (++reports >= cancelAt) {
                                 ++afterCancel;
                                 throw WorkCancelled{};
                             }
                         }),
                         WorkCancelled);
            EXPECT_LE(afterCancel, static_cast<int>(std::max(1u, std::thread::hardware_concurrency())) + 1)
                << cancelAt;
        }
    }
}
