// A save replaces the file a table was read from only while that file stands as it was read, and
// it cleans up what saves killed halfway left behind.
#include "checked_save.h"
#include "loader.h"
#include "save_file.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <chrono>
#include <functional>
#include <thread>
#include <filesystem>
#include <fstream>
#include <fcntl.h>
#include <sys/stat.h>

using namespace varnotile;
using varnotile::test::readFile;
using varnotile::test::TempDir;

namespace {

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void makeOld(const std::string& path) {
    struct timespec times[2] = {{0, UTIME_OMIT}, {std::time(nullptr) - 600, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

} // namespace

// What happens to the file between the read and the rename: nothing (replaced), lines appended
// (carried to the end of the new file), or a change the save must not write over (left alone,
// and the change named).
TEST(SaveReplace, LooksAtTheFileAgainJustBeforeReplacingIt) {
    struct Case {
        const char* name;
        std::string start;
        std::function<void(const std::string&)> meanwhile;
        const char* change;
        std::string saved; // the file afterwards (empty: as it was left meanwhile)
    };
    const std::string start = "t,v\n1,2\n3,4\n5,6\n7,8\n", written = "t,v\r\n1,2\r\n3,4\r\n5,6\r\n7,8\r\n";
    auto appendLine = [](const std::string& p) { std::ofstream(p, std::ios::app) << "9,9\n"; };
    const Case cases[] = {
        {"untouched", start, [](const std::string&) {}, "", written},
        {"a line appended", start, appendLine, "", written + "9,9\n"},
        {"the open last line completed", start + "9,", [](const std::string& p) { std::ofstream(p, std::ios::app) << "1\n"; },
         "it grew by 2 bytes", ""},
        {"written again", start, [&](const std::string& p) { std::ofstream(p, std::ios::trunc) << "t,v\n1,2\n3,4\n5,6\n7,9\n"; },
         "it was written again (same size, another time)", ""},
        {"another file renamed over it", start,
         [](const std::string& p) {
             std::ofstream(p + ".new") << "t,v\n5,5\n";
             std::rename((p + ".new").c_str(), p.c_str());
         },
         "another file stands under its name now", ""},
        {"removed", start, [](const std::string& p) { std::remove(p.c_str()); }, "it is gone", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string path = dir.write("log.csv", c.start);
        DataSet ds;
        ds.File.CurrentFileName = path;
        LoadDataFile(ds);
        const DiskStamp asRead = DiskStampOf(path);
        std::this_thread::sleep_for(std::chrono::milliseconds(5)); // another time stamp for a write
        c.meanwhile(path);
        const std::string before = std::filesystem::exists(path) ? readFile(path) : "";
        const CheckedSave saved = SaveDataFileChecked(ds, path, false, false, {}, &asRead);
        EXPECT_EQ(saved.targetChange, c.change);
        EXPECT_EQ(saved.error.empty(), std::string(c.change).empty()) << saved.error;
        EXPECT_EQ(std::filesystem::exists(path) ? readFile(path) : "", c.saved.empty() ? before : c.saved);
        EXPECT_EQ(namesIn(dir.path()).size(), std::filesystem::exists(path) ? 1u : 0u); // no temporary file stays
    }
}

// A save killed halfway leaves its hidden temporary file: the next save of that file removes it
// once it is a minute old and no program holds it, and nothing else.
TEST(SaveReplace, RemovesTheStaleTemporaryFilesOfKilledSaves) {
    TempDir dir;
    const std::string path = dir.write("log.csv", "1\n");
    const std::string stale = dir.write(".log.csv.123456.tmp", "half");
    const std::string fresh = dir.write(".log.csv.654321.tmp", "being written");
    const std::string held = dir.write(".log.csv.42.tmp", "held");
    const std::string other = dir.write(".log.csv.notes.tmp", "not ours");
    const std::string otherFile = dir.write(".other.csv.123456.tmp", "another file's");
    for (const std::string& p : {stale, held, other, otherFile}) makeOld(p);
    std::ifstream holder(held);
    EXPECT_EQ(saveBytes(path, "2\n"), "");
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{".log.csv.42.tmp", ".log.csv.654321.tmp", ".log.csv.notes.tmp",
                                                             ".other.csv.123456.tmp", "log.csv"}));
    EXPECT_EQ(readFile(path), "2\n");
}
