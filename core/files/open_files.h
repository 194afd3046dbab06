#pragma once
// Which files programs hold open, as far as the system shows it (/proc): the processes of other
// users and of other machines stay unseen.
#include <string>

namespace varnotile {

// Whether a program (this one included) holds `path` open; with `forWriting`, open for writing.
bool FileHeldOpen(const std::string& path, bool forWriting);

} // namespace varnotile
