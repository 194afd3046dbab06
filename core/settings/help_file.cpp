#include "help_file.h"

#include <filesystem>
#include <system_error>

namespace varnotile {

std::string helpFilePath(const std::string& executablePath) {
    const size_t slash = executablePath.find_last_of("/\\");
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = executablePath.find_last_of('.');
    const std::string beside = dot == std::string::npos || dot < nameStart ? executablePath + ".html"
                                                                           : executablePath.substr(0, dot) + ".html";
    // An installed program lives in <prefix>/bin and finds its page in <prefix>/share/varnotile.
    namespace fs = std::filesystem;
    std::error_code error;
    if (slash == std::string::npos || fs::exists(beside, error)) return beside;
    const fs::path installed = fs::path(executablePath.substr(0, slash)).parent_path() / "share" / "varnotile" /
                               beside.substr(nameStart);
    return fs::exists(installed, error) ? installed.string() : beside;
}

} // namespace varnotile
