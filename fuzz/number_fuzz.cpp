// Text to number and the general number format. Any text: parsing never crashes and never gives
// infinity; a parsed number formats to a text that parses back to it within 15 significant
// digits and formats to the same text again. Any double (the first eight bytes after the
// control byte): a finite one formats to a text that parses back within 15 significant digits.
#include "fuzz_check.h"
#include "number_text.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

using namespace varnotile;

namespace {

bool within15Digits(double expected, double got) {
    return std::fabs(got - expected) <= std::fabs(expected) * 1e-14;
}

void checkFormatted(double v, char decimal) {
    const std::string text = formatGeneral(v, decimal);
    FUZZ_CHECK(!text.empty() && text.size() <= 24, "format of %.17g is '%s'", v, text.c_str());
    double back = 0;
    FUZZ_CHECK(parseNumber(text, decimal, back), "format of %.17g ('%s') does not parse", v, text.c_str());
    FUZZ_CHECK(within15Digits(v, back), "%.17g formats to '%s', parsed %.17g", v, text.c_str(), back);
    FUZZ_CHECK(formatGeneral(back, decimal) == text, "'%s' is not stable", text.c_str());
    (void)formatFixed3(v, decimal);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const char decimal = (data[0] & 1) ? ',' : '.';
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);

    double v = 0;
    const bool parsed = parseNumber(text, decimal, v);
    const double viaText = textToNumber(text, decimal);
    const bool numeric = IsNumericText(text, decimal);
    if (parsed) {
        FUZZ_CHECK(std::isfinite(v), "'%.*s' parsed to %g", static_cast<int>(text.size()), text.data(), v);
        FUZZ_CHECK(viaText == v || (viaText == 0 && v == 0), "textToNumber disagrees");
        FUZZ_CHECK(numeric == (v != kNonNumericValue), "numeric test disagrees");
        checkFormatted(v, decimal);
    } else {
        FUZZ_CHECK(viaText == 0 && !numeric, "failed text is numeric");
    }

    if (text.size() >= 8) {
        double raw = 0;
        std::memcpy(&raw, text.data(), sizeof raw);
        if (std::isfinite(raw)) checkFormatted(raw, decimal);
        else (void)formatGeneral(raw, decimal);
    }
    return 0;
}
