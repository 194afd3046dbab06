#pragma once
// Where a file on disk stands: which file it is, how long, and when it was last written. A table
// read from a file keeps the stamp of the bytes it took, so that a save can tell whether the file
// changed since, before it starts and again just before it replaces the file.
#include <cstdint>
#include <string>

namespace varnotile {

struct DiskStamp {
    bool exists = false;
    uint64_t size = 0, device = 0, inode = 0;
    int64_t modifiedNs = 0; // nanoseconds since the epoch
    bool operator==(const DiskStamp&) const = default;
};

DiskStamp DiskStampOf(const std::string& path);
DiskStamp DiskStampOf(int fd);

// How the file stands now compared with the stamp taken when it was read, in words ("it grew by
// 120 bytes"); empty when it is as it was read.
std::string DiskChange(const DiskStamp& read, const DiskStamp& now);

} // namespace varnotile
