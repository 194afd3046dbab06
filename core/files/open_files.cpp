#include "open_files.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace varnotile {

bool FileHeldOpen(const std::string& path, bool forWriting) {
    struct stat target {};
    if (path.empty() || ::stat(path.c_str(), &target) != 0) return false;
    namespace fs = std::filesystem;
    std::error_code error;
    const auto options = fs::directory_options::skip_permission_denied;
    for (fs::directory_iterator process("/proc", options, error), end; !error && process != end; process.increment(error)) {
        const std::string pid = process->path().filename().string();
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) continue;
        std::error_code fdError;
        for (fs::directory_iterator fd(process->path() / "fd", options, fdError); !fdError && fd != end; fd.increment(fdError)) {
            struct stat st {};
            if (::stat(fd->path().c_str(), &st) != 0 || st.st_dev != target.st_dev || st.st_ino != target.st_ino) continue;
            if (!forWriting) return true;
            // "flags:" in fdinfo is the open mode in octal.
            std::ifstream info(process->path() / "fdinfo" / fd->path().filename());
            std::string key;
            unsigned long flags = 0;
            while (info >> key)
                if (key == "flags:" && info >> std::oct >> flags) break;
            if ((flags & O_ACCMODE) != O_RDONLY) return true;
        }
    }
    return false;
}

} // namespace varnotile
