#pragma once
// Dates and times as values: the fixed forms a logger writes (ISO 8601, a time of day, the
// common spreadsheet forms) read into seconds and written back in the form they came in. Each
// form is read by hand, field by field, which is many times faster than a general parser and
// matters on files of a million timestamps. Seconds count from 1970-01-01T00:00:00: in UTC when
// the text gives an offset, else as the time is written (no time zone is applied).
#include <cstdint>
#include <string>
#include <string_view>

namespace varnotile {

// How a column writes its times; None: not a time column. Dotted dates are always day first,
// slashed dates may be either, ISO dates are year first.
enum class TimeKind : uint8_t { None, Clock, YearFirst, DayFirst, MonthFirst };

// How one cell writes its time, so that a changed time is written the same way.
struct TimeForm {
    TimeKind kind = TimeKind::None;
    char dateSeparator = '-';
    bool paddedDate = true;  // day and month with two digits
    bool hasClock = false;   // a time of day follows the date (always for Clock)
    char join = ' ';         // between date and time: ' ' or 'T'
    bool paddedHour = true;
    bool hasSeconds = true;
    int fractionDigits = 0;  // after the seconds
    bool twelveHour = false; // "8:00 AM"
    bool lowerMeridiem = false;
    enum class Zone : uint8_t { None, Utc, Offset } zone = Zone::None;
    int offsetMinutes = 0;
    bool offsetColon = true;
};

// Reads `text` (blanks at both ends ignored) as a time of the column kind `kind`: seconds since
// 1970-01-01T00:00:00 (for a time of day, since midnight). Returns false for any other text,
// an impossible date or time included; `form`, when given, receives how the text writes it.
bool readTime(std::string_view text, TimeKind kind, double& seconds, TimeForm* form = nullptr);

// The kinds `text` reads as, one bit each (1 << kind): "14/11/2026" reads only day first,
// "11/12/2026" both ways.
unsigned timeKindsOf(std::string_view text);

// `seconds` written in `form` (an offset zone writes the time at that offset).
std::string writeTime(double seconds, const TimeForm& form);

// ISO 8601 without a zone: "2026-11-14T08:00:10" (".25" when the seconds have a fraction,
// only the date at midnight), or "08:00:10" for a time of day.
std::string isoTimeText(double seconds, TimeKind kind);

// What an edited cell of a column of kind `kind` must look like, for a refusal message.
std::string_view timeKindExample(TimeKind kind);

} // namespace varnotile
