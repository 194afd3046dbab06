#pragma once
// Text to number and number to text, as the whole program writes and reads numbers.
#include <string>
#include <string_view>

namespace varnotile {

// What the numeric test yields for a text that is not a number.
inline constexpr double kNonNumericValue = -777711.0;

// Strict decimal conversion: optional leading spaces, optional sign, digits with an optional
// fraction after `decimal`, optional exponent, trailing spaces. No thousands separator, no hex,
// no words. A value too large for a double fails (it would otherwise become infinity); one too
// small becomes 0. Returns false on failure and leaves `out` untouched.
bool parseNumber(std::string_view text, char decimal, double& out);

// The conversion used wherever a cell is taken as a number: failure and the empty text give 0.
double textToNumber(std::string_view text, char decimal);

// The reader's numeric test: the conversion with kNonNumericValue as failure value, so a text
// that converts to exactly -777711 counts as non-numeric.
bool IsNumericText(std::string_view text, char decimal);

// General number format: at most 15 significant digits, shortest text, plain notation for 0 and
// for values with at most 15 integer digits and magnitude >= 0.0001, else scientific ("1E-5").
std::string formatGeneral(double value, char decimal);

// Fixed-point with exactly three decimals (the readout's percentage), at most six significant digits.
std::string formatFixed3(double value, char decimal);

} // namespace varnotile
