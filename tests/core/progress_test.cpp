// Progress of a load and a save: each step rises and ends at its whole (the file's bytes, the
// table's rows), for a small file and a large one filled in parts on every core.
#include "data_writer.h"
#include "loader.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <map>
#include <mutex>
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

TEST(Progress, LoadAndSaveReportRisingToTheWhole) {
    for (const int rows : {10, 300000}) {
        SCOPED_TRACE(rows);
        std::string text = "t,v\n";
        for (int r = 0; r < rows; ++r) text += std::to_string(r) + "," + std::to_string(r % 977) + ".5\n";
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

} // namespace
