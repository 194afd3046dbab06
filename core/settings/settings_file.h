#pragma once
// The settings file: a classic sectioned text file ("[Section]" lines, "Key=Value" lines) beside
// the program. Reading tolerates anything; writing replaces only the lines of the keys it sets,
// so comments, other sections and the file's line ends stay byte for byte.
#include "dataset.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnotile {

class IniFile {
public:
    // Reads `path`. A missing file is an empty document and no error; a file that exists but
    // cannot be read returns the system's reason (and leaves the document empty).
    std::string load(const std::string& path);
    void parse(std::string_view text);
    // The whole document as it would be written.
    std::string text() const;
    // Writes the document to `path` without ever leaving a half-written file. Returns an empty
    // string, else the system's reason.
    std::string save(const std::string& path) const;

    // Section and key names compare without regard to letter case; surrounding blanks of keys
    // and values are ignored.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    bool hasSection(std::string_view section) const { return findSection(section) >= 0; }
    std::string readString(std::string_view section, std::string_view key, const std::string& fallback) const;
    // Decimal, or hexadecimal after "0x" or "$"; anything else gives `fallback`.
    int64_t readInteger(std::string_view section, std::string_view key, int64_t fallback) const;
    // Read as an integer: any value other than 0 is true.
    bool readBool(std::string_view section, std::string_view key, bool fallback) const;

    // Replaces the key's line in place, or adds it at the end of its section (the section is
    // added at the end of the file when missing).
    void setValue(std::string_view section, std::string_view key, std::string_view value);
    void setInteger(std::string_view section, std::string_view key, int64_t value);
    void setBool(std::string_view section, std::string_view key, bool value);

private:
    struct Line {
        std::string text; // without its line end
        std::string end;  // "\r\n", "\n", "\r" or "" (last line without a break)
    };
    // Index of the line "[section]", or -1.
    int findSection(std::string_view section) const;
    // Index of the key's line inside the section starting at `sectionLine`, or -1.
    int findKey(int sectionLine, std::string_view key) const;
    std::string newLineEnd() const;

    std::vector<Line> lines_;
    std::string bom_;
};

// Parses an integer as the settings file writes and reads them. False when `text` is not one.
bool parseSettingsInteger(std::string_view text, int64_t& out);

// ListSeparator, KeepFileDate, CurveColors, the reading options, ApplyProposals and the recent
// files from the settings document (defaults for anything missing or malformed).
void ReadSettings(DataSet& ds, const IniFile& ini);
// Puts ListSeparator, KeepFileDate and CurveColors into the document. A delimiter other than
// comma, semicolon, space or tab is not written, so the file keeps its previous value. The
// reading options and ApplyProposals go in their own section once any of them is not the
// default, and from then on on every write (so turning them off again is kept too). The recent
// files go in their own section once there are any.
void WriteSettings(const DataSet& ds, IniFile& ini);

// Reads the settings file at `path` into the data set; unreadable files give the defaults.
void ReadSettingsFile(DataSet& ds, const std::string& path);
// Reads the file again (keeping whatever else it holds), puts the settings in and saves it.
// Returns an empty string, else the system's reason.
std::string WriteSettingsFile(const DataSet& ds, const std::string& path);

} // namespace varnotile
