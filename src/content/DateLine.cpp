#include "content/DateLine.h"

#include "common/Text.h"
#include "content/Calendar.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <optional>

namespace glanmail {
namespace {

// What the run-time reports when a text cannot be read as a date.
constexpr const char* kNotADate = "Incompatibilit\xC3\xA9 de type";

constexpr std::array<const char*, 7> kWeekdays = {"dimanche", "lundi",    "mardi", "mercredi",
                                                  "jeudi",    "vendredi", "samedi"};
constexpr std::array<const char*, 12> kMonths = {"janvier",
                                                 "f\xE9vrier",
                                                 "mars",
                                                 "avril",
                                                 "mai",
                                                 "juin",
                                                 "juillet",
                                                 "ao\xFBt",
                                                 "septembre",
                                                 "octobre",
                                                 "novembre",
                                                 "d\xE9"
                                                 "cembre"};

// A local calendar time, without zone: the hour arithmetic below is plain clock arithmetic.
struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

bool ReadDigits(std::string_view s, std::size_t at, std::size_t n, int& value) {
    if (at + n > s.size()) {
        return false;
    }
    value = 0;
    for (std::size_t i = at; i < at + n; ++i) {
        if (s[i] < '0' || s[i] > '9') {
            return false;
        }
        value = value * 10 + (s[i] - '0');
    }
    return true;
}

bool IsLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
    constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[static_cast<std::size_t>(m - 1)];
}

// DD/MM/YYYY HH:MM:SS, every field in range (years as the date type holds them: 100 to 9999).
std::optional<LocalTime> ParseDateText(std::string_view s) {
    LocalTime t;
    if (s.size() != 19 || s[2] != '/' || s[5] != '/' || s[10] != ' ' || s[13] != ':' || s[16] != ':') {
        return std::nullopt;
    }
    if (!ReadDigits(s, 0, 2, t.day) || !ReadDigits(s, 3, 2, t.month) || !ReadDigits(s, 6, 4, t.year) ||
        !ReadDigits(s, 11, 2, t.hour) || !ReadDigits(s, 14, 2, t.minute) || !ReadDigits(s, 17, 2, t.second)) {
        return std::nullopt;
    }
    if (t.year < 100 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > DaysInMonth(t.year, t.month) ||
        t.hour > 23 || t.minute > 59 || t.second > 59) {
        return std::nullopt;
    }
    return t;
}

LocalTime LocalFromDays(std::int64_t z) {
    const CivilDate date = CivilFromDays(z);
    LocalTime t;
    t.year = date.year;
    t.month = date.month;
    t.day = date.day;
    return t;
}

std::int64_t ToSeconds(const LocalTime& t) {
    return DaysFromCivil(t.year, t.month, t.day) * 86400 + std::int64_t{t.hour} * 3600 + std::int64_t{t.minute} * 60 +
           t.second;
}

LocalTime FromSeconds(std::int64_t s) {
    std::int64_t days = s / 86400;
    std::int64_t rest = s % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    LocalTime t = LocalFromDays(days);
    t.hour = static_cast<int>(rest / 3600);
    t.minute = static_cast<int>(rest / 60 % 60);
    t.second = static_cast<int>(rest % 60);
    return t;
}

std::string FormatDateText(const LocalTime& t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d %02d:%02d:%02d", t.day, t.month, t.year, t.hour, t.minute, t.second);
    return buf;
}

std::string DateLine(std::string_view date) {
    return "Date : " + std::string(date) + "\r\n";
}

void Report(Prompter& prompter, const char* title) {
    prompter.Show(Box{kNotADate, title, BoxIcon::None});
}

// What a header says of the time it was written: its minutes and seconds ("MM:SS"), and the
// zone that follows the time, in minutes east of UTC, when one is readable.
struct HeaderTime {
    std::string minSec;
    std::optional<int> zone;
};

// Whether the colon at c is the one of a zone written "+hh:mm" or "-hh:mm" after a blank.
bool IsZoneColon(std::string_view s, std::size_t c) {
    const auto digit = [&](std::size_t i) { return i < s.size() && s[i] >= '0' && s[i] <= '9'; };
    return c >= 4 && (s[c - 3] == '+' || s[c - 3] == '-') && (s[c - 4] == ' ' || s[c - 4] == '\t') && digit(c - 2) &&
           digit(c - 1) && digit(c + 1) && digit(c + 2) && !digit(c + 3);
}

// The zone of RFC 5322 written at `at` after spaces: "+hhmm", "-hhmm" (or "+hh:mm", as some
// mailers write it) or one of the names UT, GMT, EST, EDT, CST, CDT, MST, MDT, PST, PDT (any
// case, ended by a character that is no letter).
std::optional<int> ZoneAt(std::string_view s, std::size_t at) {
    // A time that ends the line (its two digits cut short) has no zone after it.
    at = std::min(at, s.size());
    while (at < s.size() && (s[at] == ' ' || s[at] == '\t')) {
        ++at;
    }
    std::size_t end = at;
    if (at < s.size() && (s[at] == '+' || s[at] == '-')) {
        if (at + 3 < s.size() && s[at + 3] == ':' && IsZoneColon(s, at + 3)) {
            return ZoneMinutes(std::string(s.substr(at, 3)) + std::string(s.substr(at + 4, 2))); // "+hh:mm"
        }
        end = at + 5;
        if (end < s.size() && s[end] >= '0' && s[end] <= '9') {
            return std::nullopt; // more digits than a zone has
        }
    } else {
        while (end < s.size() && ((s[end] >= 'A' && s[end] <= 'Z') || (s[end] >= 'a' && s[end] <= 'z'))) {
            ++end;
        }
    }
    return ZoneMinutes(s.substr(at, end - at));
}

// The minutes and seconds written in the first "Date:" header that is not the very first
// line, else in the lowest "Received:" header, with the zone after them; nothing when neither
// gives a colon.
std::optional<HeaderTime> ReadHeaderTime(std::string_view headers) {
    const std::size_t date = text::Find(headers, "\r\nDate:");
    if (date != text::npos) {
        std::size_t e = text::Find(headers, "\r\n", date + 8); // from the first character of the value
        if (e == text::npos) {
            e = headers.size();
        }
        // The last colon of the line that is not the zone's ("+01:00"); at worst the one of
        // "Date:" itself. The time ends two digits after it, whether it holds seconds or not.
        std::size_t c = headers.rfind(':', e - 1);
        if (IsZoneColon(headers, c) && c - 3 > date + 6) {
            c = headers.rfind(':', c - 4);
        }
        const std::string_view line = headers.substr(0, e);
        if (c >= 3 && headers[c - 3] == ':') {
            return HeaderTime{std::string(headers.substr(c - 2, 5)), ZoneAt(line, c + 3)};
        }
        return HeaderTime{std::string(headers.substr(c + 1, 2)) + ":00", ZoneAt(line, c + 3)};
    }
    const std::size_t received = text::FindLast(headers, "\r\nReceived:");
    if (received == text::npos) {
        return std::nullopt;
    }
    const std::size_t c = headers.find(':', received + 12); // from the first character of the value
    if (c == std::string_view::npos) {
        return std::nullopt;
    }
    std::size_t e = text::Find(headers, "\r\n", c);
    const std::string_view line = headers.substr(0, e == text::npos ? headers.size() : e);
    if (c + 3 < headers.size() && headers[c + 3] == ':') {
        return HeaderTime{std::string(headers.substr(c + 1, 5)), ZoneAt(line, c + 6)};
    }
    return HeaderTime{std::string(headers.substr(c + 1, 2)) + ":00", ZoneAt(line, c + 3)};
}

// The local offset from UTC, in minutes, at the local time t (the C library's zone, TZ).
std::optional<int> LocalOffsetAt(const LocalTime& t) {
    std::tm fields{};
    fields.tm_year = t.year - 1900;
    fields.tm_mon = t.month - 1;
    fields.tm_mday = t.day;
    fields.tm_hour = t.hour;
    fields.tm_min = t.minute;
    fields.tm_sec = t.second;
    fields.tm_isdst = -1;
    const std::time_t utc = std::mktime(&fields);
    if (utc == static_cast<std::time_t>(-1)) {
        return std::nullopt;
    }
    return static_cast<int>((ToSeconds(t) - static_cast<std::int64_t>(utc)) / 60);
}

// The header's minutes moved by the part of the difference between its zone and the local
// offset that is not whole hours (half and quarter hours), so that they read as local
// minutes; the hour is chosen afterwards from the receipt time. Unchanged without a zone.
std::string LocalMinutes(const HeaderTime& header, const LocalTime& received) {
    int minutes = 0;
    if (!header.zone || header.minSec.size() != 5 || !ReadDigits(header.minSec, 0, 2, minutes) || minutes > 59) {
        return header.minSec;
    }
    const std::optional<int> local = LocalOffsetAt(received);
    if (!local || (*local - *header.zone) % 60 == 0) {
        return header.minSec;
    }
    minutes = ((minutes + *local - *header.zone) % 60 + 60) % 60;
    char buf[4];
    std::snprintf(buf, sizeof buf, "%02d", minutes);
    return buf + header.minSec.substr(2);
}

} // namespace

std::string LongFrenchDate(std::string_view dateText) {
    const std::optional<LocalTime> t = ParseDateText(dateText);
    if (!t) {
        return std::string(dateText);
    }
    const std::int64_t days = DaysFromCivil(t->year, t->month, t->day);
    const auto weekday = static_cast<std::size_t>(((days + 4) % 7 + 7) % 7); // 1970-01-01 was a Thursday
    char clock[16];
    std::snprintf(clock, sizeof clock, "%04d %02d:%02d", t->year, t->hour, t->minute);
    return std::string(kWeekdays[weekday]) + " " + std::to_string(t->day) + " " +
           kMonths[static_cast<std::size_t>(t->month - 1)] + " " + clock;
}

std::string AdjustDateOE(std::string_view dateText, std::string_view minSec, Prompter& prompter) {
    const std::optional<LocalTime> received = ParseDateText(dateText);
    std::optional<LocalTime> candidate;
    if (received && minSec.size() == 5) {
        candidate = ParseDateText(std::string(dateText.substr(0, 14)) + std::string(minSec));
    }
    if (!candidate) {
        Report(prompter, "AdjustDateOE");
        return std::string(dateText);
    }
    constexpr std::int64_t kHour = 3600;
    const std::int64_t r = ToSeconds(*received);
    const std::int64_t c = ToSeconds(*candidate);
    const auto distance = [r](std::int64_t x) { return x > r ? x - r : r - x; };
    const std::int64_t a = distance(c);
    const std::int64_t later = distance(c + kHour);
    const std::int64_t earlier = distance(c - kHour);
    std::int64_t chosen = c;
    if (later < a && later < earlier) {
        chosen = c + kHour;
    } else if (earlier < a && earlier < later) {
        chosen = c - kHour;
    }
    return FormatDateText(FromSeconds(chosen));
}

std::string DateOE(std::string_view headers, std::string_view dateText, Prompter& prompter) {
    const std::optional<LocalTime> received = ParseDateText(dateText);
    if (!received) {
        Report(prompter, "DateOE");
        return DateLine(dateText);
    }
    const std::optional<HeaderTime> header = ReadHeaderTime(headers);
    if (!header) {
        return DateLine(LongFrenchDate(dateText));
    }
    return DateLine(LongFrenchDate(AdjustDateOE(dateText, LocalMinutes(*header, *received), prompter)));
}

} // namespace glanmail
