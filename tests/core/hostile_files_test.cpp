// Files that are not what they seem when the load reaches them: unreadable, gone since the
// folder was listed, a named pipe, a device, a path through a file. Each gives a clear outcome
// at once; none blocks the program or reads without end.
#include "folder_list.h"
#include "loader.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace varnotile;
using varnotile::test::TempDir;

namespace {

const char* kRows = "a,b\n1,2\n3,4\n5,6\n7,8\n";

LoadOutcome loadPath(DataSet& ds, const std::string& path) {
    ds.File.CurrentFileName = path;
    return LoadDataFile(ds);
}

} // namespace

// Permission bits do not stop root, so as root the load runs in a child that has given up its
// rights for those of "nobody".
TEST(HostileFiles, FileWithoutReadPermission) {
    TempDir dir;
    const std::string path = dir.write("locked.csv", kRows);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    auto loadDenied = [&] {
        DataSet ds;
        const LoadOutcome outcome = loadPath(ds, path);
        return outcome.status == LoadOutcome::Status::ReadError && outcome.error == "Permission denied" &&
               ds.Layout.ColumnCount == 0 && ds.Layout.DataRowCount == 0;
    };
    if (::geteuid() != 0) {
        EXPECT_TRUE(loadDenied());
        return;
    }
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
        ::_exit(loadDenied() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 2) GTEST_SKIP() << "cannot take the rights of another user here";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the unreadable file was not reported as \"Permission denied\"";
}

// The folder list still names the file, but it is gone when the user picks it: no lines, no
// table, and the stamp says the file does not exist.
TEST(HostileFiles, FileDeletedBetweenListingAndLoading) {
    TempDir dir;
    dir.write("first.csv", kRows);
    const std::string doomed = dir.write("second.csv", kRows);
    const auto entries = EnumerateFolder(dir.path(), ".csv");
    ASSERT_EQ(entries.size(), 2u);
    ASSERT_TRUE(std::filesystem::remove(doomed));
    DataSet ds;
    ASSERT_EQ(loadPath(ds, dir.path() + "/first.csv").status, LoadOutcome::Status::Loaded);
    const LoadOutcome outcome = loadPath(ds, listedPath(dir.path(), "second.csv"));
    EXPECT_EQ(outcome.status, LoadOutcome::Status::TooFewData);
    EXPECT_EQ(ds.Layout.ColumnCount, 0);
    EXPECT_EQ(ds.Layout.DataRowCount, 0);
    EXPECT_EQ(ds.Table.Cells.rowCount(), 0);
    EXPECT_EQ(ds.File.FileAgeStamp, -1);
}

// A named pipe with no writer would block an ordinary open for ever, and a device such as
// /dev/zero never ends: both are refused at once with a reason.
TEST(HostileFiles, NamedPipeAndDeviceAreRefusedAtOnce) {
    TempDir dir;
    const std::string pipe = dir.path() + "/pipe.csv";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const auto start = std::chrono::steady_clock::now();
    DataSet ds;
    LoadOutcome outcome = loadPath(ds, pipe);
    EXPECT_EQ(outcome.status, LoadOutcome::Status::ReadError);
    EXPECT_EQ(outcome.error, "Not a regular file");
    outcome = loadPath(ds, "/dev/zero");
    EXPECT_EQ(outcome.status, LoadOutcome::Status::ReadError);
    EXPECT_EQ(outcome.error, "Not a regular file");
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 2.0);
    EXPECT_EQ(ds.Layout.ColumnCount, 0);
}

// A path that runs through a file ("data.csv/x.csv") names nothing: like a missing file.
TEST(HostileFiles, PathThroughAFile) {
    TempDir dir;
    const std::string file = dir.write("data.csv", kRows);
    DataSet ds;
    const LoadOutcome outcome = loadPath(ds, file + "/x.csv");
    EXPECT_EQ(outcome.status, LoadOutcome::Status::TooFewData);
    EXPECT_EQ(ds.File.FileAgeStamp, -1);
}
