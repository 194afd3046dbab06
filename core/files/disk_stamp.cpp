#include "disk_stamp.h"

#include <sys/stat.h>

namespace varnotile {
namespace {

DiskStamp stampOf(const struct stat& st) {
    return {true, static_cast<uint64_t>(st.st_size), static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino),
            static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + static_cast<int64_t>(st.st_mtim.tv_nsec)};
}

} // namespace

DiskStamp DiskStampOf(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return {};
    return stampOf(st);
}

DiskStamp DiskStampOf(int fd) {
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) return {};
    return stampOf(st);
}

std::string DiskChange(const DiskStamp& read, const DiskStamp& now) {
    if (read == now) return {};
    if (!now.exists) return "it is gone";
    if (!read.exists) return "it was created";
    if (now.device != read.device || now.inode != read.inode) return "another file stands under its name now";
    if (now.size > read.size) return "it grew by " + std::to_string(now.size - read.size) + " bytes";
    if (now.size < read.size) return "it shrank by " + std::to_string(read.size - now.size) + " bytes";
    return "it was written again (same size, another time)";
}

} // namespace varnotile
