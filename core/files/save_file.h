#pragma once
// Saving that cannot destroy: the new content goes to a temporary file in the target's folder,
// which is flushed to disk and then renamed over the target. Until commit() succeeds the old
// file stays exactly as it was; a failed or abandoned save removes the temporary file.
// A target that is no regular file (a device, a pipe, a socket) is written straight into: it
// cannot be replaced without losing what it is.
#include <cstdint>
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
    // Flushes, syncs, and renames the temporary file over the target.
    bool commit();
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

    std::string path_;   // as given
    std::string target_; // the file actually replaced (symbolic links resolved)
    std::string temp_;
    std::string buffer_;
    std::string error_;
    int fd_ = -1;
    bool through_ = false;
};

// Writes `bytes` to `path` through a SaveFile. Returns an empty string, else the reason.
std::string saveBytes(const std::string& path, std::string_view bytes);

// Sets the modification time of `path` to `stamp` (seconds since the epoch). Returns false when
// the stamp is not a real time (0 or negative), `path` is no regular file, or the system refused.
bool setFileAgeStamp(const std::string& path, int64_t stamp);

} // namespace varnotile
