#pragma once
// Text to number and number to text, as the whole program writes and reads numbers.
#include <cstdint>
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

// Powers of ten that are exact doubles.
inline constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                               1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                               1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The common number of a data file read where it stands, without finding its field first: an
// optional sign and 1 to 15 digits with an optional fraction after `decimal`, from `p` up to
// `stop` or `end`. On success `out` holds what parseNumber gives that field and `p` points at the
// stop or the end; for any other text returns false and leaves `p` alone, and parseNumber must
// decide. Both the mantissa and the power of ten are exact doubles, so one division gives the
// correctly rounded value.
inline bool readPlainNumber(const char*& p, const char* end, char stop, char decimal, double& out) {
    if (static_cast<unsigned char>(stop - '0') < 10) return false; // a digit cannot end a field here
    const char* q = p;
    bool negative = false;
    if (q < end && (*q == '-' || *q == '+') && *q != stop) negative = *q++ == '-';
    uint64_t mantissa = 0;
    int digits = 0, fractionDigits = 0;
    for (; q < end && static_cast<unsigned char>(*q - '0') < 10; ++q, ++digits)
        mantissa = mantissa * 10 + static_cast<uint64_t>(*q - '0');
    if (q < end && *q == decimal && *q != stop) {
        for (++q; q < end && static_cast<unsigned char>(*q - '0') < 10; ++q, ++digits, ++fractionDigits)
            mantissa = mantissa * 10 + static_cast<uint64_t>(*q - '0');
    }
    if (digits == 0 || digits > 15 || (q < end && *q != stop)) return false;
    const double v = static_cast<double>(mantissa) / kExactPowersOfTen[fractionDigits];
    out = negative ? -v : v;
    p = q;
    return true;
}

// The reader's numeric test: the conversion with kNonNumericValue as failure value, so a text
// that converts to exactly -777711 counts as non-numeric.
bool IsNumericText(std::string_view text, char decimal);

// General number format: at most 15 significant digits, shortest text, plain notation for 0 and
// for values with at most 15 integer digits and magnitude >= 0.0001, else scientific ("1E-5").
std::string formatGeneral(double value, char decimal);

// Fixed-point with exactly three decimals (the readout's percentage), at most six significant digits.
std::string formatFixed3(double value, char decimal);

} // namespace varnotile
