#include "time_text.h"
#include "time_range_text.h"

#include <cmath>
#include <algorithm>
#include <cstdio>

namespace varnotile {
namespace {

constexpr double kSecondsPerDay = 86400.0;

// Days since 1970-01-01 of a proleptic Gregorian date (the well-known era arithmetic).
int64_t daysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

int daysInMonth(int y, int m) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : kDays[m - 1];
}

bool isDigit(char c) { return static_cast<unsigned char>(c - '0') < 10; }

// A cursor over one cell's text.
struct Cursor {
    const char* p;
    const char* end;

    bool atEnd() const { return p == end; }
    bool take(char c) {
        if (p == end || *p != c) return false;
        ++p;
        return true;
    }
    // minDigits..maxDigits digits; returns -1 when there are fewer.
    int number(int minDigits, int maxDigits, int* count = nullptr) {
        int value = 0, n = 0;
        while (n < maxDigits && p != end && isDigit(*p)) value = value * 10 + (*p++ - '0'), ++n;
        if (count) *count = n;
        return n >= minDigits ? value : -1;
    }
};

// "8:00", "08:00:10", "08:00:10.250", "8:00:10 PM": seconds since midnight.
bool readClock(Cursor& c, double& seconds, TimeForm& form) {
    int digits = 0;
    int hour = c.number(1, 2, &digits);
    form.paddedHour = digits == 2;
    if (hour < 0 || !c.take(':')) return false;
    const int minute = c.number(2, 2);
    if (minute < 0 || minute > 59) return false;
    double second = 0;
    form.hasSeconds = c.take(':');
    if (form.hasSeconds) {
        const int whole = c.number(2, 2);
        if (whole < 0 || whole > 60) return false;
        second = whole;
        form.fractionDigits = 0;
        if (c.take('.') || c.take(',')) {
            int64_t fraction = 0, scale = 1;
            while (!c.atEnd() && isDigit(*c.p) && form.fractionDigits < 9)
                fraction = fraction * 10 + (*c.p++ - '0'), scale *= 10, ++form.fractionDigits;
            if (form.fractionDigits == 0) return false;
            while (!c.atEnd() && isDigit(*c.p)) ++c.p; // past nanoseconds: not kept
            second += static_cast<double>(fraction) / static_cast<double>(scale);
        }
    }
    // "AM"/"PM", after one blank or none.
    Cursor look = c;
    look.take(' ');
    if (look.end - look.p >= 2 && (look.p[1] == 'M' || look.p[1] == 'm')) {
        const char a = look.p[0];
        const bool pm = a == 'P' || a == 'p';
        if (pm || a == 'A' || a == 'a') {
            if (hour < 1 || hour > 12) return false;
            form.twelveHour = true;
            form.lowerMeridiem = look.p[1] == 'm';
            hour = hour % 12 + (pm ? 12 : 0);
            c.p = look.p + 2;
        }
    }
    if (hour > 23) return false;
    seconds = hour * 3600.0 + minute * 60.0 + second;
    return true;
}

// "Z", "+01:00", "-0500", "+01": the offset in minutes east of UTC.
bool readZone(Cursor& c, TimeForm& form) {
    if (c.atEnd()) return true;
    if (c.take('Z') || c.take('z')) {
        form.zone = TimeForm::Zone::Utc;
        return true;
    }
    const bool minus = *c.p == '-';
    if (!c.take('+') && !c.take('-')) return false;
    const int hours = c.number(2, 2);
    if (hours < 0 || hours > 23) return false;
    int minutes = 0;
    form.offsetColon = c.take(':');
    if (!c.atEnd() || form.offsetColon) {
        minutes = c.number(2, 2);
        if (minutes < 0 || minutes > 59) return false;
    }
    form.zone = TimeForm::Zone::Offset;
    form.offsetMinutes = (minus ? -1 : 1) * (hours * 60 + minutes);
    return true;
}

// The date of a kind: year first (2026-11-14), day first (14.11.2026, 14/11/2026) or month
// first (11/14/2026). Returns the day number.
bool readDate(Cursor& c, TimeKind kind, int64_t& days, TimeForm& form) {
    int year = 0, month = 0, day = 0, a = 0, b = 0, digitsA = 0, digitsB = 0;
    if (kind == TimeKind::YearFirst) {
        year = c.number(4, 4);
        if (year < 0 || c.atEnd()) return false;
        form.dateSeparator = *c.p;
        if (form.dateSeparator != '-' && form.dateSeparator != '/' && form.dateSeparator != '.') return false;
        ++c.p;
        month = c.number(1, 2, &digitsA);
        if (month < 0 || !c.take(form.dateSeparator)) return false;
        day = c.number(1, 2, &digitsB);
        form.paddedDate = digitsA == 2 && digitsB == 2;
    } else {
        a = c.number(1, 2, &digitsA);
        if (a < 0 || c.atEnd()) return false;
        form.dateSeparator = *c.p;
        const bool allowed = kind == TimeKind::MonthFirst ? form.dateSeparator == '/'
                                                          : form.dateSeparator == '.' || form.dateSeparator == '/' ||
                                                                form.dateSeparator == '-';
        if (!allowed) return false;
        ++c.p;
        b = c.number(1, 2, &digitsB);
        if (b < 0 || !c.take(form.dateSeparator)) return false;
        year = c.number(4, 4);
        if (year < 0) return false;
        day = kind == TimeKind::DayFirst ? a : b;
        month = kind == TimeKind::DayFirst ? b : a;
        form.paddedDate = digitsA == 2 && digitsB == 2;
    }
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month)) return false;
    days = daysFromCivil(year, month, day);
    return true;
}

} // namespace

bool readTime(std::string_view text, TimeKind kind, double& seconds, TimeForm* formOut) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    if (text.empty() || kind == TimeKind::None) return false;
    Cursor c{text.data(), text.data() + text.size()};
    TimeForm form;
    form.kind = kind;
    double clock = 0;
    int64_t days = 0;
    if (kind == TimeKind::Clock) {
        form.hasClock = true;
        if (!readClock(c, clock, form)) return false;
    } else {
        if (!readDate(c, kind, days, form)) return false;
        if (!c.atEnd()) {
            form.join = *c.p;
            if (form.join != ' ' && form.join != 'T') return false;
            ++c.p;
            form.hasClock = true;
            if (!readClock(c, clock, form)) return false;
        }
    }
    if (form.hasClock && !form.twelveHour && !readZone(c, form)) return false;
    if (!c.atEnd()) return false;
    seconds = static_cast<double>(days) * kSecondsPerDay + clock - form.offsetMinutes * 60.0;
    if (formOut) *formOut = form;
    return true;
}

unsigned timeKindsOf(std::string_view text) {
    unsigned kinds = 0;
    double seconds = 0;
    for (const TimeKind kind : {TimeKind::Clock, TimeKind::YearFirst, TimeKind::DayFirst, TimeKind::MonthFirst})
        if (readTime(text, kind, seconds)) kinds |= 1u << static_cast<unsigned>(kind);
    return kinds;
}

std::string writeTime(double seconds, const TimeForm& form) {
    // Round to the digits written first, so that 59.9996 s becomes the next minute, not "60.000".
    const double scale = std::pow(10.0, form.hasSeconds ? form.fractionDigits : 0);
    double local = seconds + form.offsetMinutes * 60.0;
    local = std::round(local * scale) / scale;
    if (!form.hasSeconds) local = std::round(local / 60.0) * 60.0;
    const auto days = static_cast<int64_t>(std::floor(local / kSecondsPerDay));
    double inDay = local - static_cast<double>(days) * kSecondsPerDay;
    auto wholeSeconds = static_cast<int>(std::floor(inDay));
    int hour = wholeSeconds / 3600, minute = wholeSeconds / 60 % 60, second = wholeSeconds % 60;
    // A time of day runs from 00:00:00 to 23:59:60: a leap second is read as the 86,400th second
    // and is written back as itself, not as the next midnight.
    if (form.kind == TimeKind::Clock && form.hasSeconds && local >= kSecondsPerDay && local < kSecondsPerDay + 1) {
        hour = 23, minute = 59, second = 60;
        inDay = local;
        wholeSeconds = static_cast<int>(kSecondsPerDay);
    }
    std::string out;
    char buffer[64];
    if (form.kind != TimeKind::Clock) {
        int y = 0, m = 0, d = 0;
        civilFromDays(days, y, m, d);
        const char s = form.dateSeparator;
        const char* two = form.paddedDate ? "%02d" : "%d";
        char dd[8], mm[8];
        std::snprintf(dd, sizeof dd, two, d);
        std::snprintf(mm, sizeof mm, two, m);
        if (form.kind == TimeKind::YearFirst)
            std::snprintf(buffer, sizeof buffer, "%04d%c%s%c%s", y, s, mm, s, dd);
        else if (form.kind == TimeKind::DayFirst)
            std::snprintf(buffer, sizeof buffer, "%s%c%s%c%04d", dd, s, mm, s, y);
        else
            std::snprintf(buffer, sizeof buffer, "%s%c%s%c%04d", mm, s, dd, s, y);
        out = buffer;
        if (!form.hasClock) return out;
        out.push_back(form.join);
    }
    const char* meridiem = nullptr;
    if (form.twelveHour) {
        meridiem = hour < 12 ? (form.lowerMeridiem ? "am" : "AM") : (form.lowerMeridiem ? "pm" : "PM");
        hour = hour % 12 == 0 ? 12 : hour % 12;
    }
    std::snprintf(buffer, sizeof buffer, form.paddedHour ? "%02d:%02d" : "%d:%02d", hour, minute);
    out += buffer;
    if (form.hasSeconds) {
        std::snprintf(buffer, sizeof buffer, ":%02d", second);
        out += buffer;
        if (form.fractionDigits > 0) {
            const double fraction = std::round((inDay - wholeSeconds) * scale);
            std::snprintf(buffer, sizeof buffer, ".%0*lld", form.fractionDigits, static_cast<long long>(fraction));
            out += buffer;
        }
    }
    if (meridiem) out.append(" ").append(meridiem);
    if (form.zone == TimeForm::Zone::Utc) out.push_back('Z');
    if (form.zone == TimeForm::Zone::Offset) {
        const int east = std::abs(form.offsetMinutes);
        std::snprintf(buffer, sizeof buffer, form.offsetColon ? "%c%02d:%02d" : "%c%02d%02d",
                      form.offsetMinutes < 0 ? '-' : '+', east / 60, east % 60);
        out += buffer;
    }
    return out;
}

namespace {

TimeForm isoFormFor(double seconds, TimeKind kind) {
    TimeForm form;
    form.kind = kind == TimeKind::Clock ? TimeKind::Clock : TimeKind::YearFirst;
    form.join = 'T';
    form.hasClock = true;
    const double millis = std::round(seconds * 1000.0);
    const double inDay = millis - std::floor(millis / 86400000.0) * 86400000.0;
    if (kind != TimeKind::Clock && inDay == 0) form.hasClock = false;
    if (std::fmod(millis, 1000.0) != 0)
        form.fractionDigits = std::fmod(millis, 10.0) != 0 ? 3 : std::fmod(millis, 100.0) != 0 ? 2 : 1;
    return form;
}

} // namespace

std::string isoTimeText(double seconds, TimeKind kind) {
    if (!std::isfinite(seconds)) return {};
    return writeTime(seconds, isoFormFor(seconds, kind));
}

std::string isoTimeTextAlike(double seconds, TimeKind kind, double alike) {
    if (!std::isfinite(seconds)) return {};
    TimeForm form = isoFormFor(seconds, kind);
    if (std::isfinite(alike)) {
        const TimeForm other = isoFormFor(alike, kind);
        form.hasClock = form.hasClock || other.hasClock;
        form.fractionDigits = std::max(form.fractionDigits, other.fractionDigits);
    }
    return writeTime(seconds, form);
}

std::string_view timeKindExample(TimeKind kind) {
    switch (kind) {
    case TimeKind::Clock: return "a time of day such as 08:00:10";
    case TimeKind::YearFirst: return "a date such as 2026-11-14 or 2026-11-14 08:00:10";
    case TimeKind::DayFirst: return "a date day first, such as 14.11.2026 08:00";
    case TimeKind::MonthFirst: return "a date month first, such as 11/14/2026 8:00 AM";
    case TimeKind::None: break;
    }
    return {};
}

} // namespace varnotile
