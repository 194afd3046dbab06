#include "settings_file.h"

#include "file_lines.h"
#include "read_options.h"
#include "reading_option_table.h"
#include "save_file.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <sys/stat.h>

namespace varnotile {
namespace {

constexpr std::string_view kSeparatorSection = "List Separator";
constexpr std::string_view kSeparatorKey = "Value";
constexpr std::string_view kSaveSection = "Save File";
constexpr std::string_view kKeepDateKey = "Keep Date";
constexpr std::string_view kColorSection = "Curve Colors";
constexpr std::string_view kReadingSection = "Reading";
constexpr std::string_view kViewSection = "View";
constexpr std::string_view kFollowKey = "FollowFile";
constexpr std::string_view kTrackerKey = "Tracker";
constexpr std::string_view kRecentSection = "Recent Files";

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

// The section name of a "[name]" line (blanks around it allowed), or nothing.
std::optional<std::string_view> sectionName(std::string_view line) {
    line = trimmed(line);
    if (line.size() < 2 || line.front() != '[') return std::nullopt;
    const auto close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return trimmed(line.substr(1, close - 1));
}

bool isComment(std::string_view line) {
    line = trimmed(line);
    return !line.empty() && (line.front() == ';' || line.front() == '#');
}

} // namespace

bool parseSettingsInteger(std::string_view text, int64_t& out) {
    text = trimmed(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    } else if (text.size() > 1 && text[0] == '$') {
        base = 16;
        text.remove_prefix(1);
    }
    if (text.empty()) return false;
    uint64_t magnitude = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (ec != std::errc() || end != text.data() + text.size()) return false;
    // 32-bit values, written signed or unsigned (a colour may be written either way).
    if (magnitude > 0xFFFFFFFFull) return false;
    out = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    return true;
}

std::string IniFile::load(const std::string& path) {
    lines_.clear();
    bom_.clear();
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 && errno == ENOENT) return {};
    std::string bytes;
    if (std::string error = readWholeFile(path, bytes); !error.empty()) return error;
    parse(bytes);
    return {};
}

void IniFile::parse(std::string_view text) {
    lines_.clear();
    bom_.clear();
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        bom_ = text.substr(0, 3);
        text.remove_prefix(3);
    }
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t brk = text.find_first_of("\r\n", pos);
        Line line;
        if (brk == std::string_view::npos) {
            line.text = text.substr(pos);
            pos = text.size();
        } else {
            line.text = text.substr(pos, brk - pos);
            const std::size_t endLength = text[brk] == '\r' && brk + 1 < text.size() && text[brk + 1] == '\n' ? 2 : 1;
            line.end = endLength == 2 ? "\r\n" : (text[brk] == '\r' ? "\r" : "\n");
            pos = brk + endLength;
        }
        lines_.push_back(std::move(line));
    }
}

std::string IniFile::text() const {
    std::string out = bom_;
    for (const Line& line : lines_) {
        out += line.text;
        out += line.end;
    }
    return out;
}

std::string IniFile::save(const std::string& path) const { return saveBytes(path, text()); }

int IniFile::findSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const auto name = sectionName(lines_[i].text);
        if (name && sameName(*name, trimmed(section))) return static_cast<int>(i);
    }
    return -1;
}

int IniFile::findKey(int sectionLine, std::string_view key) const {
    for (std::size_t i = static_cast<std::size_t>(sectionLine) + 1; i < lines_.size(); ++i) {
        const std::string_view text = lines_[i].text;
        if (sectionName(text)) break;
        if (isComment(text)) continue;
        const auto eq = text.find('=');
        if (eq != std::string_view::npos && sameName(trimmed(text.substr(0, eq)), trimmed(key)))
            return static_cast<int>(i);
    }
    return -1;
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const {
    const int s = findSection(section);
    if (s < 0) return std::nullopt;
    const int k = findKey(s, key);
    if (k < 0) return std::nullopt;
    const std::string_view text = lines_[static_cast<std::size_t>(k)].text;
    return std::string(trimmed(text.substr(text.find('=') + 1)));
}

std::string IniFile::readString(std::string_view section, std::string_view key, const std::string& fallback) const {
    auto v = value(section, key);
    return v ? *v : fallback;
}

int64_t IniFile::readInteger(std::string_view section, std::string_view key, int64_t fallback) const {
    const auto v = value(section, key);
    int64_t result = 0;
    return v && parseSettingsInteger(*v, result) ? result : fallback;
}

bool IniFile::readBool(std::string_view section, std::string_view key, bool fallback) const {
    return readInteger(section, key, fallback ? 1 : 0) != 0;
}

std::string IniFile::newLineEnd() const {
    // New lines follow the file's own convention; a new file gets CR LF.
    for (const Line& line : lines_)
        if (!line.end.empty()) return line.end;
    return "\r\n";
}

void IniFile::setValue(std::string_view section, std::string_view key, std::string_view value) {
    const std::string lineText = std::string(trimmed(key)) + "=" + std::string(value);
    const int s = findSection(section);
    if (s >= 0) {
        if (const int k = findKey(s, key); k >= 0) {
            lines_[static_cast<std::size_t>(k)].text = lineText;
            return;
        }
    }
    const std::string end = newLineEnd();
    if (!lines_.empty() && lines_.back().end.empty()) lines_.back().end = end;
    if (s < 0) {
        if (!lines_.empty() && !trimmed(lines_.back().text).empty()) lines_.push_back({"", end});
        std::string header(1, '[');
        header.append(trimmed(section));
        header.push_back(']');
        lines_.push_back({std::move(header), end});
        lines_.push_back({lineText, end});
        return;
    }
    // After the section's last line that is not blank, so a blank line before the next
    // section stays where it is.
    std::size_t at = static_cast<std::size_t>(s) + 1;
    for (std::size_t i = at; i < lines_.size() && !sectionName(lines_[i].text); ++i)
        if (!trimmed(lines_[i].text).empty()) at = i + 1;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), Line{lineText, end});
}

void IniFile::setInteger(std::string_view section, std::string_view key, int64_t value) {
    setValue(section, key, std::to_string(value));
}

void IniFile::setBool(std::string_view section, std::string_view key, bool value) {
    setValue(section, key, value ? "1" : "0");
}

namespace {

ReadOptions readReadingOptions(const IniFile& ini) {
    ReadOptions o;
    for (const ReadingOption& option : readingOptions()) {
        if (option.isSwitch()) {
            option.set(o, ini.readBool(kReadingSection, option.iniKey, option.get(o) != 0));
        } else if (option.isNumber()) {
            // A number out of range keeps the default.
            const int64_t number = ini.readInteger(kReadingSection, option.iniKey, option.get(o));
            if (number >= 0 && number <= option.maxNumber) option.set(o, static_cast<int>(number));
        } else if (const auto word = ini.value(kReadingSection, option.iniKey)) {
            // An unknown word keeps the default.
            for (std::size_t i = 0; i < option.choices.size(); ++i)
                if (sameName(*word, option.choices[i].word)) option.set(o, static_cast<int>(i));
        }
        if (option.value)
            if (const auto text = ini.value(kReadingSection, option.value->iniKey))
                setValueText(*option.value, o, *text);
    }
    return o;
}

} // namespace

void ReadSettings(DataSet& ds, const IniFile& ini) {
    const std::string text = ini.readString(kSeparatorSection, kSeparatorKey, ",");
    ds.Layout.ListSeparator = text.substr(0, text.empty() ? 0 : 1);
    if (text == "Tab") ds.Layout.ListSeparator.assign(1, '\t');
    if (text == "Space") ds.Layout.ListSeparator.assign(1, ' ');
    ds.Settings.KeepFileDate = ini.readBool(kSaveSection, kKeepDateKey, true);
    for (int k = 1; k <= kCurveCount; ++k) {
        const int64_t colour = ini.readInteger(kColorSection, "Curve" + std::to_string(k), 0);
        ds.View.CurveColors[k] = static_cast<Rgb>(static_cast<uint64_t>(colour) & 0xFFFFFFFFu);
    }
    RepeatCurveColors(ds.View.CurveColors);
    ds.Settings.Reading = readReadingOptions(ini);
    ds.Settings.ApplyProposals = ini.readBool(kReadingSection, "ApplyProposals", false);
    ds.Settings.FollowFile = ini.readBool(kViewSection, kFollowKey, false);
    ds.Settings.ShowTracker = ini.readBool(kViewSection, kTrackerKey, false);
    ds.Settings.RecentFiles.clear();
    for (int k = 1; k <= kRecentFileLimit; ++k) {
        std::string path = ini.readString(kRecentSection, "File" + std::to_string(k), "");
        if (!path.empty()) ds.Settings.RecentFiles.push_back(std::move(path));
    }
}

void WriteSettings(const DataSet& ds, IniFile& ini) {
    if (ds.Layout.ListSeparator == "\t")
        ini.setValue(kSeparatorSection, kSeparatorKey, "Tab");
    else if (ds.Layout.ListSeparator == " ")
        ini.setValue(kSeparatorSection, kSeparatorKey, "Space");
    else if (ds.Layout.ListSeparator == "," || ds.Layout.ListSeparator == ";")
        ini.setValue(kSeparatorSection, kSeparatorKey, ds.Layout.ListSeparator);
    ini.setBool(kSaveSection, kKeepDateKey, ds.Settings.KeepFileDate);
    for (int k = 1; k <= kCurveCount; ++k)
        ini.setInteger(kColorSection, "Curve" + std::to_string(k), ds.View.CurveColors[k]);
    // The recent files, once there are any; keys past the list's end are emptied.
    const std::vector<std::string>& recent = ds.Settings.RecentFiles;
    if (!recent.empty() || ini.hasSection(kRecentSection))
        for (int k = 1; k <= kRecentFileLimit; ++k) {
            const auto i = static_cast<std::size_t>(k - 1);
            const std::string key = "File" + std::to_string(k);
            if (i < recent.size())
                ini.setValue(kRecentSection, key, recent[i]);
            else if (ini.value(kRecentSection, key))
                ini.setValue(kRecentSection, key, "");
        }
    // Following is written once it was ever on; a file without the key reads as off.
    if (ds.Settings.FollowFile || ini.value(kViewSection, kFollowKey))
        ini.setBool(kViewSection, kFollowKey, ds.Settings.FollowFile);
    // The tracker likewise: a settings file that never had it on stays as it was.
    if (ds.Settings.ShowTracker || ini.value(kViewSection, kTrackerKey))
        ini.setBool(kViewSection, kTrackerKey, ds.Settings.ShowTracker);
    // A settings file that never had reading options stays as it was while they are the defaults.
    const ReadOptions& o = ds.Settings.Reading;
    if (!ini.hasSection(kReadingSection) && o == ReadOptions() && !ds.Settings.ApplyProposals) return;
    for (const ReadingOption& option : readingOptions()) {
        if (option.isSwitch())
            ini.setBool(kReadingSection, option.iniKey, option.get(o) != 0);
        else if (option.isNumber())
            ini.setInteger(kReadingSection, option.iniKey, option.get(o));
        else
            ini.setValue(kReadingSection, option.iniKey, option.choices[static_cast<std::size_t>(option.get(o))].word);
        if (option.value) ini.setValue(kReadingSection, option.value->iniKey, valueText(*option.value, o));
    }
    ini.setBool(kReadingSection, "ApplyProposals", ds.Settings.ApplyProposals);
}

void ReadSettingsFile(DataSet& ds, const std::string& path) {
    IniFile ini;
    ini.load(path); // an unreadable file leaves the document empty: the defaults
    ReadSettings(ds, ini);
}

std::string WriteSettingsFile(const DataSet& ds, const std::string& path) {
    IniFile ini;
    // Never replace a file whose content could not be read: its other lines would be lost.
    if (std::string error = ini.load(path); !error.empty()) return error;
    WriteSettings(ds, ini);
    return ini.save(path);
}

} // namespace varnotile
