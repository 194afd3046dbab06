#pragma once
// Where the help page lives: beside the executable, with the executable's base name.
#include <string>

namespace varnotile {

// The executable's path with its extension replaced by ".html"; a file name without an extension
// gets ".html" appended. Only the last dot of the file name counts, never a dot in a folder name.
std::string helpFilePath(const std::string& executablePath);

} // namespace varnotile
