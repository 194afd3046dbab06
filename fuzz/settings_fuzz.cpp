// The settings reader and writer: any bytes parse, the document writes back byte for byte,
// putting the program's settings in keeps every other line as it was (in order, same line
// end), and reading the result gives back exactly what was put in. The first byte picks the
// settings to write; the rest is the file.
#include "fuzz_check.h"
#include "settings_file.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using namespace varnotile;

namespace {

struct SplitLine {
    std::string_view text, end;
};

// Lines split the way the settings file splits them: at CR LF, LF or a lone CR.
std::vector<SplitLine> splitLines(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    std::vector<SplitLine> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t brk = text.find_first_of("\r\n", pos);
        if (brk == std::string_view::npos) {
            lines.push_back({text.substr(pos), {}});
            break;
        }
        const std::size_t endLength = text.compare(brk, 2, "\r\n") == 0 ? 2 : 1;
        lines.push_back({text.substr(pos, brk - pos), text.substr(brk, endLength)});
        pos = brk + endLength;
    }
    return lines;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

// Whether the writer may replace this line: a "key=" line of one of the keys it sets.
bool isWrittenKeyLine(std::string_view text) {
    const auto eq = text.find('=');
    if (eq == std::string_view::npos) return false;
    const std::string_view key = trimmed(text.substr(0, eq));
    if (sameName(key, "Value") || sameName(key, "Keep Date")) return true;
    for (int k = 1; k <= 10; ++k)
        if (sameName(key, "Curve" + std::to_string(k))) return true;
    return false;
}

bool isAddedLine(std::string_view text) {
    return text.empty() || isWrittenKeyLine(text) || text == "[List Separator]" || text == "[Save File]" ||
           text == "[Curve Colors]";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view original(reinterpret_cast<const char*>(data) + 1, size - 1);

    IniFile ini;
    ini.parse(original);
    FUZZ_CHECK(ini.text() == original, "document does not write back unchanged");
    DataSet read;
    ReadSettings(read, ini);
    FUZZ_CHECK(read.Layout.ListSeparator.size() <= 1, "separator of %zu characters",
               read.Layout.ListSeparator.size());

    DataSet ds;
    static const char* const kSeparators[] = {",", ";", " ", "\t"};
    ds.Layout.ListSeparator = kSeparators[data[0] & 3];
    ds.Settings.KeepFileDate = (data[0] & 4) != 0;
    for (int k = 1; k <= 10; ++k)
        ds.View.CurveColors[k] = static_cast<Rgb>(data[0]) * 0x01010101u * static_cast<Rgb>(k);
    WriteSettings(ds, ini);
    const std::string written = ini.text();

    // Every line of the file is still there with its text, in order, unless it was a line of a
    // written key, replaced in place. Between them only added lines may appear: written keys,
    // their section lines and a blank line. Line ends are not compared: added lines take the
    // file's first line end, and in a file that mixes lone CRs with LFs an added line's CR can
    // pair with the LF of a following blank line (all original bytes stay, the split differs).
    const auto before = splitLines(original);
    const auto after = splitLines(written);
    std::size_t at = 0;
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (before[i].text.empty()) {
            // A blank line is there, or it was absorbed into the line end before it.
            if (at < after.size() && after[at].text.empty()) ++at;
            continue;
        }
        bool found = false;
        for (; at < after.size(); ++at) {
            const SplitLine& now = after[at];
            if (now.text == before[i].text) { found = true; break; }
            if (isWrittenKeyLine(before[i].text) && isWrittenKeyLine(now.text)) { found = true; break; }
            if (!isAddedLine(now.text)) break;
        }
        FUZZ_CHECK(found, "line %zu lost or changed", i + 1);
        ++at;
    }
    for (; at < after.size(); ++at) FUZZ_CHECK(isAddedLine(after[at].text), "unexpected line %zu", at + 1);

    IniFile back;
    back.parse(written);
    FUZZ_CHECK(back.text() == written, "written document does not read back unchanged");
    DataSet reread;
    ReadSettings(reread, back);
    FUZZ_CHECK(reread.Layout.ListSeparator == ds.Layout.ListSeparator, "separator not read back");
    FUZZ_CHECK(reread.Settings.KeepFileDate == ds.Settings.KeepFileDate, "keep date not read back");
    for (std::size_t k = 1; k <= 10; ++k)
        FUZZ_CHECK(reread.View.CurveColors[k] == ds.View.CurveColors[k], "curve colour %zu not read back", k);
    return 0;
}
