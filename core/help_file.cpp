#include "help_file.h"

namespace varnotile {

std::string helpFilePath(const std::string& executablePath) {
    const size_t slash = executablePath.find_last_of("/\\");
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = executablePath.find_last_of('.');
    if (dot == std::string::npos || dot < nameStart) return executablePath + ".html";
    return executablePath.substr(0, dot) + ".html";
}

} // namespace varnotile
