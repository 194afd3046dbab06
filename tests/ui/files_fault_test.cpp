// Saving and the settings file when the disk refuses: a read-only folder, a file that became
// read-only after it was loaded, a full file system. In every case the old file stays as it was,
// the user is told, and nothing counts as saved (the journal keeps its entries).
//
// The tests run as root, for whom permission bits do not stop a write. What holds for root as
// well is used: a read-only mount, the immutable attribute, a small full tmpfs. Where the run may
// not mount, a file-size limit in a child process stands in for the full disk.
#include "dialog_recorder.h"
#include "main_window.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fcntl.h>
#include <linux/fs.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace varnotile;
using varnotile::test::readFile;

namespace {

const std::string kData = "Time,Force\n0,1.5\n1,2.5\n2,3.5\n3,4.5\n4,5.5\n";

std::size_t entriesIn(const std::string& folder) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) ++n;
    return n;
}

// A small tmpfs of its own inside a temporary folder, unmounted when done.
class SmallMount {
public:
    explicit SmallMount(const std::string& folder, const char* options = "size=64k") : path_(folder + "/mnt") {
        std::filesystem::create_directory(path_);
        if (::mount("varnotile-test", path_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options) == 0)
            mounted_ = true;
        else
            error_ = std::strerror(errno);
    }
    ~SmallMount() {
        if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }
    const std::string& error() const { return error_; }
    const std::string& path() const { return path_; }
    bool makeReadOnly() {
        return ::mount(nullptr, path_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV, nullptr) == 0;
    }
    // Takes up all space that is left.
    void fill() const {
        const int fd = ::open((path_ + "/filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const std::string block(4096, 'x');
        while (fd >= 0 && ::write(fd, block.data(), block.size()) > 0) {
        }
        for (std::size_t size = 2048; fd >= 0 && size > 0; size /= 2)
            while (::write(fd, block.data(), size) > 0) {
            }
        if (fd >= 0) ::close(fd);
    }

private:
    std::string path_;
    bool mounted_ = false;
    std::string error_;
};

// The window with a file loaded from `folder` and one journalled cell edit.
struct EditedWindow {
    varnotile::test::TempDir dir;
    DialogRecorder recorder;
    MainWindow w{QString::fromStdString(dir.path() + "/varnotile.INI")};
    std::string path;
    EditedWindow() { w.setDialogResponder(&recorder); }
    void load(const std::string& folder) {
        path = folder + "/a.csv";
        std::FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(kData.data(), 1, kData.size(), f);
        std::fclose(f);
        w.openFile(QString::fromStdString(path));
        ASSERT_EQ(w.dataSet().Layout.DataRowCount, 5);
        w.SGridDataSelectCell(2, 1);
        w.SGridDataSetEditText(2, 1, QStringLiteral("9.25"));
        ASSERT_EQ(w.dataSet().UndoCount(), 1);
    }
    // The save failed: the user was told, the old file is whole, the edit still unsaved.
    void expectRefused(const std::string& target) {
        ASSERT_EQ(recorder.notices.size(), 1);
        EXPECT_TRUE(recorder.notices[0].startsWith(QStringLiteral("Cannot save the file \"") + QString::fromStdString(target)))
            << recorder.notices[0].toStdString();
        EXPECT_EQ(readFile(path), kData);
        EXPECT_EQ(w.dataSet().UndoCount(), 1);
        EXPECT_EQ(w.dataSet().Table.Cells.cell(2, 1), "9.25");
        EXPECT_EQ(w.dataSet().File.CurrentFileName, path);
    }
};

} // namespace

TEST(FilesFault, AReadOnlyFolderRefusesSaveAndSaveAs) {
    EditedWindow t;
    if (::geteuid() != 0) {
        // Without root the permission bits are enough.
        const std::string folder = t.dir.path() + "/ro";
        std::filesystem::create_directory(folder);
        t.load(folder);
        ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
        EXPECT_FALSE(t.w.SaveToCurrentFile());
        ::chmod(folder.c_str(), 0755);
        t.expectRefused(t.path);
        return;
    }
    SmallMount mount(t.dir.path());
    if (!mount.mounted()) GTEST_SKIP() << "running as root without the right to mount a tmpfs: " << mount.error();
    t.load(mount.path());
    const std::string ini = mount.path() + "/varnotile.INI";
    {
        std::FILE* f = std::fopen(ini.c_str(), "wb");
        std::fputs("[Options]\nOther=kept\n", f);
        std::fclose(f);
    }
    ASSERT_TRUE(mount.makeReadOnly());
    EXPECT_FALSE(t.w.SaveToCurrentFile());
    t.expectRefused(t.path);
    EXPECT_TRUE(t.recorder.notices[0].contains(QStringLiteral("Read-only file system")));

    t.recorder.notices.clear();
    const std::string other = mount.path() + "/b.csv";
    EXPECT_FALSE(t.w.saveAsFile(QString::fromStdString(other)));
    t.expectRefused(other);
    EXPECT_FALSE(std::filesystem::exists(other));

    // Closing with the save answered Yes keeps the program open with the edit.
    t.recorder.notices.clear();
    EXPECT_FALSE(t.w.close());
    EXPECT_EQ(t.recorder.questions.size(), 1);
    t.expectRefused(t.path);
    t.w.dataSet().Journal.clear(); // let the window go at the end of the test

    // The settings file in the read-only folder: kept as it was, and the user is told.
    MainWindow w(QString::fromStdString(ini));
    DialogRecorder recorder;
    w.setDialogResponder(&recorder);
    EXPECT_TRUE(w.close());
    EXPECT_EQ(recorder.notices, QStringList{QStringLiteral("Unable to write to ") + QString::fromStdString(ini)});
    EXPECT_EQ(readFile(ini), "[Options]\nOther=kept\n");
}

TEST(FilesFault, AFileMadeReadOnlyAfterLoading) {
    EditedWindow t;
    t.load(t.dir.path());
    ASSERT_EQ(::chmod(t.path.c_str(), 0444), 0);
    if (::geteuid() != 0) {
        EXPECT_FALSE(t.w.SaveToCurrentFile());
        t.expectRefused(t.path);
        EXPECT_EQ(entriesIn(t.dir.path()), 1u); // no temporary file left
        return;
    }
    // Root may write a file without write permission, as any program run by root may: the save
    // goes through and the file keeps its permission bits.
    EXPECT_TRUE(t.w.SaveToCurrentFile());
    EXPECT_TRUE(t.recorder.notices.isEmpty());
    EXPECT_EQ(readFile(t.path), "Time,Force\r\n0,9.25\r\n1,2.5\r\n2,3.5\r\n3,4.5\r\n4,5.5\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(t.path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
    EXPECT_EQ(t.w.dataSet().UndoCount(), 0);
}

TEST(FilesFault, AnImmutableFileStopsEvenRoot) {
    EditedWindow t;
    // tmpfs knows the immutable attribute; the folder of the temporary files may not.
    SmallMount mount(t.dir.path());
    const std::string folder = mount.mounted() ? mount.path() : t.dir.path();
    t.load(folder);
    const int fd = ::open(t.path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    int flags = 0;
    const bool set = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                     (flags |= FS_IMMUTABLE_FL, ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
    const std::string reason = std::strerror(errno);
    if (!set) {
        ::close(fd);
        GTEST_SKIP() << "the immutable attribute cannot be set here: " << reason;
    }
    const bool saved = t.w.SaveToCurrentFile();
    flags &= ~FS_IMMUTABLE_FL;
    ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
    ::close(fd);
    EXPECT_FALSE(saved);
    t.expectRefused(t.path);
    EXPECT_EQ(entriesIn(folder), 1u); // no temporary file left
}

TEST(FilesFault, AFullDiskLeavesTheOldFileAndTheEdits) {
    EditedWindow t;
    SmallMount mount(t.dir.path());
    if (mount.mounted()) {
        t.load(mount.path());
        mount.fill();
        EXPECT_FALSE(t.w.SaveToCurrentFile());
        t.expectRefused(t.path);
        EXPECT_TRUE(t.recorder.notices[0].contains(QStringLiteral("No space left on device")))
            << t.recorder.notices[0].toStdString();
        EXPECT_EQ(entriesIn(mount.path()), 2u); // the file and the filler, no temporary file

        // "Save..." to a new file there: no half-written file is left, the shown file stays.
        t.recorder.notices.clear();
        const std::string other = mount.path() + "/b.csv";
        EXPECT_FALSE(t.w.saveAsFile(QString::fromStdString(other)));
        t.expectRefused(other);
        EXPECT_EQ(entriesIn(mount.path()), 2u);

        // The settings file on the full disk: the old one stays, the user is told.
        t.recorder.notices.clear();
        const std::string ini = mount.path() + "/varnotile.INI";
        ::unlink((mount.path() + "/filler").c_str());
        {
            std::FILE* f = std::fopen(ini.c_str(), "wb");
            std::fputs("[Options]\nOther=kept\n", f);
            std::fclose(f);
        }
        mount.fill();
        MainWindow w(QString::fromStdString(ini));
        DialogRecorder recorder;
        w.setDialogResponder(&recorder);
        EXPECT_TRUE(w.close()); // the program still ends
        EXPECT_EQ(recorder.notices, QStringList{QStringLiteral("Unable to write to ") + QString::fromStdString(ini)});
        EXPECT_EQ(readFile(ini), "[Options]\nOther=kept\n");
        t.w.dataSet().Journal.clear();
        return;
    }
    // No mount allowed: a file-size limit in a child process makes every write beyond it fail,
    // for root as well. The child reports what the window did through its exit code.
    t.load(t.dir.path());
    std::fflush(nullptr);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit {16, 16};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const bool saved = t.w.SaveToCurrentFile();
        const bool told = t.recorder.notices.size() == 1 &&
                          t.recorder.notices[0].startsWith(QStringLiteral("Cannot save the file"));
        const bool unsaved = t.w.dataSet().UndoCount() == 1;
        ::_exit(!saved && told && unsaved ? 0 : 3);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the save was reported as done or not shown to the user";
    EXPECT_EQ(readFile(t.path), kData);
    EXPECT_EQ(entriesIn(t.dir.path()), 2u); // the file and the unused mount point: no temporary file
}
