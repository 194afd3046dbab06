#include "number_text.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <system_error>

namespace varnotile {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Longest text we copy to a stack buffer; longer numbers go through a heap copy.
constexpr std::size_t kStackLimit = 128;

bool convertNormalized(const char* first, const char* last, double& out) {
    double value = 0;
    auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ptr != last) return false;
    if (ec == std::errc::result_out_of_range) {
        // from_chars reports both overflow and underflow; strtod tells them apart.
        std::string copy(first, last);
        double v = std::strtod(copy.c_str(), nullptr);
        if (std::isinf(v)) return false;
        out = v;
        return true;
    }
    if (ec != std::errc() || !std::isfinite(value)) return false;
    out = value;
    return true;
}

} // namespace

bool parseNumber(std::string_view text, char decimal, double& out) {
    std::size_t i = 0, n = text.size();
    while (i < n && text[i] == ' ') ++i;
    while (n > i && text[n - 1] == ' ') --n;
    if (i == n) return false;
    bool negative = false;
    if (text[i] == '+' || text[i] == '-') {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t mantissaBegin = i;
    std::size_t digits = 0, fractionDigits = 0;
    uint64_t mantissa = 0; // exact while digits <= 19
    while (i < n && isDigit(text[i])) {
        mantissa = mantissa * 10 + static_cast<uint64_t>(text[i] - '0');
        ++i, ++digits;
    }
    bool separator = false;
    std::size_t separatorAt = 0;
    if (i < n && text[i] == decimal) {
        separator = true;
        separatorAt = i;
        ++i;
        while (i < n && isDigit(text[i])) {
            mantissa = mantissa * 10 + static_cast<uint64_t>(text[i] - '0');
            ++i, ++digits, ++fractionDigits;
        }
    }
    if (digits == 0 && !separator) return false;
    const std::size_t mantissaEnd = i;
    std::size_t exponentBegin = n;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        exponentBegin = i;
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
        std::size_t expDigits = 0;
        while (i < n && isDigit(text[i])) ++i, ++expDigits;
        if (expDigits == 0) return false;
    }
    if (i != n) return false;

    // Fast path: up to 15 significant digits and no exponent. Both the mantissa and the power of
    // ten are exact doubles, so one division gives the correctly rounded value.
    if (exponentBegin == n && digits <= 15) {
        const double v = static_cast<double>(mantissa) / kExactPowersOfTen[fractionDigits];
        out = negative ? -v : v;
        return true;
    }

    // Build "[-]digits[.digits][e[+-]digits]" in '.' notation for from_chars. A lone separator
    // ("." or "-.") has no digits and is the number 0.
    if (digits == 0) {
        out = negative ? -0.0 : 0.0;
        return true;
    }
    std::array<char, kStackLimit> stack{};
    std::string heap;
    char* buf = stack.data();
    const std::size_t needed = (n - mantissaBegin) + 4;
    if (needed > kStackLimit) {
        heap.resize(needed);
        buf = heap.data();
    }
    std::size_t w = 0;
    if (negative) buf[w++] = '-';
    if (separator && separatorAt == mantissaBegin) buf[w++] = '0';
    for (std::size_t k = mantissaBegin; k < mantissaEnd; ++k) buf[w++] = (separator && k == separatorAt) ? '.' : text[k];
    if (separator && separatorAt + 1 == mantissaEnd) buf[w++] = '0';
    if (exponentBegin < n) {
        buf[w++] = 'e';
        std::size_t k = exponentBegin + 1;
        if (text[k] == '+') ++k;
        for (; k < n; ++k) buf[w++] = text[k];
    }
    return convertNormalized(buf, buf + w, out);
}

double textToNumber(std::string_view text, char decimal) {
    double v = 0;
    return parseNumber(text, decimal, v) ? v : 0.0;
}

bool IsNumericText(std::string_view text, char decimal) {
    double v = kNonNumericValue;
    if (!parseNumber(text, decimal, v)) return false;
    return v != kNonNumericValue;
}

std::string formatGeneral(double value, char decimal) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    if (value == 0) return "0";
    // Rounding to 15 digits would carry the largest doubles past the double range, and that text
    // could never be read back; those few values are cut to the largest 15-digit number instead.
    if (std::fabs(value) > 1.79769313486231e308) {
        std::string out = value < 0 ? "-1" : "1";
        out += decimal;
        out += "79769313486231E308";
        return out;
    }
    // 15 significant digits: d.dddddddddddddde±xx
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    std::string_view sci(buf, static_cast<std::size_t>(res.ptr - buf));
    bool negative = sci.front() == '-';
    if (negative) sci.remove_prefix(1);
    const std::size_t ePos = sci.find('e');
    int exponent = 0;
    std::from_chars(sci.data() + ePos + 1 + (sci[ePos + 1] == '+' ? 1 : 0), sci.data() + sci.size(), exponent);
    std::string digits;
    digits.reserve(16);
    for (std::size_t k = 0; k < ePos; ++k)
        if (sci[k] != '.') digits.push_back(sci[k]);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    std::string out;
    if (negative) out.push_back('-');
    // Plain notation needs magnitude >= 0.0001 (exponent >= -4) and at most 15 integer digits.
    const bool plain = exponent >= -4 && exponent < 15;
    if (plain) {
        if (exponent < 0) {
            out += '0';
            out += decimal;
            out.append(static_cast<std::size_t>(-exponent - 1), '0');
            out += digits;
        } else {
            const std::size_t intDigits = static_cast<std::size_t>(exponent) + 1;
            if (digits.size() <= intDigits) {
                out += digits;
                out.append(intDigits - digits.size(), '0');
            } else {
                out.append(digits, 0, intDigits);
                out += decimal;
                out.append(digits, intDigits, std::string::npos);
            }
        }
        return out;
    }
    out += digits[0];
    if (digits.size() > 1) {
        out += decimal;
        out.append(digits, 1, std::string::npos);
    }
    out += 'E';
    if (exponent < 0) out += '-';
    out += std::to_string(exponent < 0 ? -exponent : exponent);
    return out;
}

std::string formatFixed3(double value, char decimal) {
    if (!std::isfinite(value)) return formatGeneral(value, decimal);
    // Round to six significant digits first, then print with exactly three decimals.
    char sig[64];
    std::snprintf(sig, sizeof sig, "%.5e", value);
    double rounded = std::strtod(sig, nullptr);
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.3f", rounded);
    std::string out(buf);
    if (out == "-0.000") out = "0.000";
    for (char& c : out)
        if (c == '.') c = decimal;
    return out;
}

} // namespace varnotile
