#include "settings_location.h"

#include <filesystem>
#include <system_error>

#include <unistd.h>

namespace varnotile {
namespace {

namespace fs = std::filesystem;

bool exists(const std::string& path) {
    std::error_code error;
    return fs::exists(path, error);
}

std::string besideExecutable(const std::string& exeDir) { return (fs::path(exeDir) / kSettingsFileName).string(); }

} // namespace

std::string SettingsFilePath(const std::string& exeDir, const std::string& configHome, const std::string& home) {
    const std::string beside = besideExecutable(exeDir);
    // The file is replaced through a new file in the same folder, so the folder must be writable;
    // an existing file that is read-only is kept as the user made it.
    const bool folderWritable = !exeDir.empty() && ::access(exeDir.c_str(), W_OK) == 0;
    if (folderWritable && (!exists(beside) || ::access(beside.c_str(), W_OK) == 0)) return beside;

    const fs::path base = !configHome.empty() && fs::path(configHome).is_absolute()
                              ? fs::path(configHome)
                              : fs::path(home) / ".config";
    const fs::path folder = base / "varnotile";
    std::error_code ignored;
    fs::create_directories(folder, ignored);
    return (folder / kSettingsFileName).string();
}

std::string SettingsDefaultsPath(const std::string& exeDir, const std::string& settingsPath) {
    const std::string beside = besideExecutable(exeDir);
    if (settingsPath == beside || exists(settingsPath) || !exists(beside)) return {};
    return beside;
}

} // namespace varnotile
