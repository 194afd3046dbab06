#pragma once
// Display decoding of the file's bytes: UTF-8 when the whole file is valid UTF-8, otherwise
// Windows-1252. The bytes themselves are never changed by reading or writing.
#include <string>
#include <string_view>

namespace varnotile {

bool isValidUtf8(std::string_view bytes);
// Bytes as UTF-8 text for display.
std::string displayText(std::string_view bytes, bool fileIsUtf8);
// UTF-8 text typed by the user back to the file's encoding (characters Windows-1252 cannot
// hold become '?').
std::string storedText(std::string_view utf8, bool fileIsUtf8);

} // namespace varnotile
