#include "save_file.h"

#include "open_files.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <vector>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace varnotile {
namespace {

constexpr std::size_t kBufferSize = 1 << 20;

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Follows symbolic links so that saving replaces the file a link names, not the link itself.
std::string resolveTarget(const std::string& path) {
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        std::string link(static_cast<std::size_t>(PATH_MAX), '\0');
        const ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
        if (n <= 0) return current;
        link.resize(static_cast<std::size_t>(n));
        current = link.front() == '/' ? link : folderOf(current) + "/" + link;
    }
    return current;
}

// The temporary file's name: ".<name>.<number>.tmp" beside the target.
std::string tempPrefix(const std::string& target) {
    const auto slash = target.rfind('/');
    return "." + (slash == std::string::npos ? target : target.substr(slash + 1)) + ".";
}

bool isTempName(const std::string& name, const std::string& prefix) {
    constexpr std::string_view suffix = ".tmp";
    if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return false;
    const std::string number = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    return number.size() <= 6 && number.find_first_not_of("0123456789") == std::string::npos;
}

// Copies the bytes from `from` on of the file open as `source` to the end of `target`; `from`
// becomes the offset copied up to.
bool appendTail(int source, uint64_t& from, const std::string& target) {
    const int out = ::open(target.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (out < 0) return false;
    bool ok = true;
    char buffer[1 << 16];
    for (auto at = static_cast<off_t>(from);;) {
        const ssize_t n = ::pread(source, buffer, sizeof buffer, at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        at += n;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out, buffer + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w < 0) return ::close(out), false;
            done += w;
        }
        from = static_cast<uint64_t>(at);
    }
    if (::fsync(out) != 0) ok = false;
    return ::close(out) == 0 && ok;
}

// The descriptor of this process that `path` names (/dev/stdout, /dev/fd/3, /proc/self/fd/1),
// or -1. Such a name is written as the descriptor is: whatever it is open on, a pipe or a file
// the shell opened for appending, takes the bytes where that descriptor stands.
int descriptorNamed(const std::string& path) {
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        for (const std::string_view folder : {std::string_view("/proc/self/fd/"), std::string_view("/dev/fd/")}) {
            if (current.compare(0, folder.size(), folder) != 0) continue;
            const std::string number = current.substr(folder.size());
            if (number.empty() || number.size() > 9 || number.find_first_not_of("0123456789") != std::string::npos)
                return -1;
            return std::stoi(number);
        }
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return -1;
        std::string link(static_cast<std::size_t>(PATH_MAX), '\0');
        const ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
        if (n <= 0) return -1;
        link.resize(static_cast<std::size_t>(n));
        current = link.front() == '/' ? link : folderOf(current) + "/" + link;
    }
    return -1;
}

} // namespace

int RemoveStaleSaveFiles(const std::string& path) {
    const std::string target = resolveTarget(path);
    const std::string folder = folderOf(target), prefix = tempPrefix(target);
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return 0;
    std::vector<std::string> stale;
    const time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (!isTempName(name, prefix)) continue;
        const std::string file = folder + "/" + name;
        struct stat st {};
        if (::lstat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() || now - st.st_mtime < 60)
            continue;
        stale.push_back(file);
    }
    ::closedir(dir);
    int removed = 0;
    for (const std::string& file : stale)
        if (!FileHeldOpen(file, false) && ::unlink(file.c_str()) == 0) ++removed;
    return removed;
}

SaveFile::SaveFile(std::string path) : path_(std::move(path)) {}

SaveFile::~SaveFile() { cancel(); }

bool SaveFile::fail(int err) {
    if (error_.empty()) error_ = std::strerror(err);
    return false;
}

bool SaveFile::open() {
    cancel();
    error_.clear();
    targetChange_.clear();
    if (path_.empty()) return fail(ENOENT);
    if (const int descriptor = descriptorNamed(path_); descriptor >= 0) {
        // Never replaced, even when it is open on a regular file: written where it stands.
        const int fd = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
        if (fd < 0) return fail(errno);
        fd_ = fd;
        through_ = true;
        buffer_.reserve(kBufferSize);
        return true;
    }
    struct stat st {};
    // A device or a pipe is looked at through the name as given: a link such as /dev/stdout
    // may name a pipe that has no path of its own ("pipe:[1234]"), which only the system can
    // follow.
    if (::stat(path_.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
        target_ = path_;
    else
        target_ = resolveTarget(path_);
    const bool exists = ::stat(target_.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) return fail(EISDIR);
    // A file the user may not write stays protected, even though replacing it by a rename
    // would only need the folder to be writable.
    if (exists && ::access(target_.c_str(), W_OK) != 0) return fail(errno);
    if (exists && !S_ISREG(st.st_mode)) {
        // A device or a pipe renamed over would become a plain file: write into it instead. A
        // pipe waits here for its reader, as any program writing to it would.
        const int fd = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0) return fail(errno);
        fd_ = fd;
        through_ = true;
        buffer_.reserve(kBufferSize);
        return true;
    }

    // What an earlier save of this file left when it was killed goes first.
    RemoveStaleSaveFiles(target_);
    const std::string folder = folderOf(target_), prefix = tempPrefix(target_);
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = folder + "/" + prefix + std::to_string(random() % 1000000) + ".tmp";
        // Mode 0666 lets the umask decide for a new file, as creating it directly would.
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            fd_ = fd;
            temp_ = std::move(candidate);
            break;
        }
        if (errno != EEXIST) return fail(errno);
    }
    if (fd_ < 0) return fail(EEXIST);
    if (exists) {
        // The replaced file keeps its permission bits and, where allowed, its owner.
        if (::fchown(fd_, st.st_uid, st.st_gid) != 0) { /* only possible for the owner's own group or root */ }
        ::fchmod(fd_, st.st_mode & 07777);
    }
    buffer_.reserve(kBufferSize);
    return true;
}

bool SaveFile::writeAll(std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail(errno);
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool SaveFile::flushBuffer() {
    const bool ok = writeAll(buffer_);
    buffer_.clear();
    return ok;
}

bool SaveFile::write(std::string_view bytes) {
    if (fd_ < 0) return fail(EBADF);
    if (!error_.empty()) return false;
    // Large pieces go out as they are rather than through the buffer.
    if (bytes.size() >= kBufferSize / 4 || buffer_.size() + bytes.size() > kBufferSize) {
        if (!flushBuffer()) return false;
        if (bytes.size() >= kBufferSize / 4) return writeAll(bytes);
    }
    buffer_.append(bytes);
    return true;
}

bool SaveFile::sync() {
    if (fd_ < 0) return fail(EBADF);
    if (!error_.empty() || !flushBuffer()) return false;
    if (!through_ && ::fsync(fd_) != 0) return fail(errno);
    return true;
}

bool SaveFile::commit() {
    if (fd_ < 0) return fail(EBADF);
    bool ok = error_.empty() && flushBuffer();
    if (through_) {
        // A device or pipe has nothing to rename; it may not support syncing either.
        if (::close(fd_) != 0 && ok) ok = fail(errno);
        fd_ = -1;
        return ok;
    }
    if (ok && ::fsync(fd_) != 0) ok = fail(errno);
    if (::close(fd_) != 0 && ok) ok = fail(errno);
    fd_ = -1;
    if (ok) ok = asRead_ ? replaceReadTarget() : ::rename(temp_.c_str(), target_.c_str()) == 0 || fail(errno);
    if (!ok) {
        ::unlink(temp_.c_str());
        temp_.clear();
        return false;
    }
    temp_.clear();
    // Make the rename itself durable; a folder that cannot be synced does not undo the save.
    const int dir = ::open(folderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool SaveFile::replaceReadTarget() {
    // The target is held open across the rename: what a writer adds to it in between is
    // still there to be read afterwards.
    const int old = ::open(target_.c_str(), O_RDONLY | O_CLOEXEC);
    const DiskStamp before = old >= 0 ? DiskStampOf(old) : DiskStampOf(target_);
    // Appended: the same file, longer, and the table's last line was complete (bytes that
    // complete a line belong to a row of the table, not after it).
    char lastRead = '\n';
    const bool appended = old >= 0 && before.device == asRead_->device && before.inode == asRead_->inode &&
                          before.size > asRead_->size &&
                          (asRead_->size == 0 || (::pread(old, &lastRead, 1, static_cast<off_t>(asRead_->size - 1)) == 1 && lastRead == '\n'));
    uint64_t carried = asRead_->size;
    targetChange_ = appended && carryAppended_ ? std::string() : DiskChange(*asRead_, before);
    bool ok = targetChange_.empty();
    if (!ok) {
        if (error_.empty()) error_ = "it changed on disk while the table was saved: " + targetChange_;
    } else if (appended && !appendTail(old, carried, temp_)) {
        ok = fail(errno ? errno : EIO);
    } else if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        ok = fail(errno);
    } else if (old >= 0 && DiskStampOf(old).size > std::max(carried, before.size)) {
        // Appended in the moment of the rename: to the new file, after the rest.
        if (!appended) carried = before.size;
        appendTail(old, carried, target_);
    }
    if (old >= 0) ::close(old);
    return ok;
}

void SaveFile::cancel() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    through_ = false;
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
    buffer_.clear();
}

std::string saveBytes(const std::string& path, std::string_view bytes) {
    SaveFile file(path);
    if (!file.open() || !file.write(bytes) || !file.commit()) return file.errorString();
    return {};
}

bool setFileAgeStamp(const std::string& path, int64_t stamp) {
    if (stamp <= 0) return false;
    // A device or a pipe has no time of its own worth setting (and root could change /dev's).
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(stamp);
    times[1].tv_nsec = 0;
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

} // namespace varnotile
