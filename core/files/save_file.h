#pragma once
// Saving that cannot destroy: the new content goes to a temporary file in the target's folder,
// which is flushed to disk and then renamed over the target. Until commit() succeeds the old
// file stays exactly as it was; a failed or abandoned save removes the temporary file.
// A target that is no regular file (a device, a pipe, a socket) is written straight into: it
// cannot be replaced without losing what it is.
#include "disk_stamp.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace varnotile {

class SaveFile {
public:
    explicit SaveFile(std::string path);
    ~SaveFile(); // discards the temporary file unless committed
    SaveFile(const SaveFile&) = delete;
    SaveFile& operator=(const SaveFile&) = delete;

    // Creates the temporary file, or opens a target that is no regular file for writing. A
    // target that is a symbolic link is written through to the file it names; an existing
    // target's permission bits are kept.
    bool open();
    // Appends bytes (buffered). After the first failure every call fails.
    bool write(std::string_view bytes);
    // Writes out the buffered bytes and syncs them to disk (a target written through has nothing
    // to sync). The target is untouched until commit().
    bool sync();
    // The target may be replaced only while it stands as `asRead` (the file a table was read
    // from, as the table took it): commit() looks at it again just before the rename and
    // leaves it alone, with targetChange() saying how it changed, when it is another file now
    // or holds other bytes. With `carryAppended` bytes a writer appended to it meanwhile go
    // to the end of the new file instead (they read there as they did in the old one). Bytes
    // appended in the moment between that look and the rename are added afterwards.
    void replaceOnlyIf(const DiskStamp& asRead, bool carryAppended) {
        asRead_ = asRead;
        carryAppended_ = carryAppended;
    }
    // Flushes, syncs, and renames the temporary file over the target.
    bool commit();
    // How the target changed since it was read, when commit() left it alone for that.
    const std::string& targetChange() const { return targetChange_; }
    // The target is no regular file: bytes go straight into it and nothing is renamed.
    bool writesThrough() const { return through_; }
    // Abandons the save; the target is untouched.
    void cancel();

    // The system's reason for the first failure, empty while all went well.
    const std::string& errorString() const { return error_; }
    const std::string& path() const { return path_; }

private:
    bool flushBuffer();
    bool writeAll(std::string_view bytes);
    bool fail(int err);
    // Renames the temporary file over the target, which stands as asRead_.
    bool replaceReadTarget();

    std::string path_;   // as given
    std::string target_; // the file actually replaced (symbolic links resolved)
    std::string temp_;
    std::string buffer_;
    std::string error_;
    std::string targetChange_;
    std::optional<DiskStamp> asRead_;
    bool carryAppended_ = false;
    int fd_ = -1;
    bool through_ = false;
};

// Removes the temporary files that saves of `path` left behind when they were killed: files
// named as a SaveFile names them, of this user, unchanged for a minute and held open by no
// program. Returns how many were removed.
int RemoveStaleSaveFiles(const std::string& path);

// Writes `bytes` to `path` through a SaveFile. Returns an empty string, else the reason.
std::string saveBytes(const std::string& path, std::string_view bytes);

// Sets the modification time of `path` to `stamp` (seconds since the epoch). Returns false when
// the stamp is not a real time (0 or negative), `path` is no regular file, or the system refused.
bool setFileAgeStamp(const std::string& path, int64_t stamp);

} // namespace varnotile
