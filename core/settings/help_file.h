#pragma once
// Where the help page lives: beside the executable, with the executable's base name; for an
// installed program, in the shared data folder of its installation prefix.
#include <string>

namespace varnotile {

// The executable's path with its extension replaced by ".html"; a file name without an extension
// gets ".html" appended. Only the last dot of the file name counts, never a dot in a folder name.
// When that page does not exist but <prefix>/share/varnotile/<the same name> does, with the
// executable in <prefix>/bin (or any folder of <prefix>), that one.
std::string helpFilePath(const std::string& executablePath);

} // namespace varnotile
