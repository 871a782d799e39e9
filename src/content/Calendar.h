#pragma once
// Calendar arithmetic shared by every date the program reads or writes: days since 1970-01-01
// in the proleptic Gregorian calendar, and the zone of a mail date.

#include <cstdint>
#include <optional>
#include <string_view>

namespace glanmail {

struct CivilDate {
    int year = 1970, month = 1, day = 1;
};

// Days since 1970-01-01 of a date (any year, months 1 to 12).
std::int64_t DaysFromCivil(int year, int month, int day);

// The date that many days after 1970-01-01 (before it when negative).
CivilDate CivilFromDays(std::int64_t days);

// Minutes east of UTC of a zone written as RFC 5322 writes it: "+hhmm" or "-hhmm" (minutes
// below 60), or one of the names UT, GMT, EST, EDT, CST, CDT, MST, MDT, PST, PDT in any case.
// Nothing for anything else.
std::optional<int> ZoneMinutes(std::string_view zone);

} // namespace glanmail
