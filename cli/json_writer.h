#pragma once
// A small JSON text builder for the CLI's reports.
#include <string>
#include <string_view>

namespace varnotile::cli {

std::string jsonString(std::string_view utf8);
std::string jsonNumber(double value);

} // namespace varnotile::cli
