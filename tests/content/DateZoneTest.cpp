// The date line in zones a fraction of an hour away from the header's: the minutes follow the
// local clock, the hour comes from the receipt time, each case in its own local zone.
#include "content/Calendar.h"
#include "content/DateLine.h"
#include "content/DateText.h"
#include "support/Env.h"
#include "support/FakePrompter.h"

#include <cstdint>
#include <ctime>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <utility>

namespace glanmail {
namespace {

using testing::EnvironmentGuard;
using testing::FakePrompter;

// The list's date of a message received at unix time `utc`, in the current zone.
std::string Received(std::int64_t utc) {
    std::uint64_t ticks = static_cast<std::uint64_t>(utc + 11644473600) * 10000000u;
    std::string bytes;
    for (int i = 0; i < 8; ++i, ticks >>= 8) {
        bytes.push_back(static_cast<char>(ticks & 0xFF));
    }
    return DateString(bytes);
}

struct ZoneCase {
    const char* zone;
    std::string header;   // the Date (or Received) header
    std::int64_t utc;     // receipt time
    const char* expected; // the long date shown
};

constexpr std::int64_t k2Feb2005 = 1107302400;  // 2005-02-02 00:00:00 UTC
constexpr std::int64_t k27Mar2005 = 1111881600; // 2005-03-27 00:00:00 UTC
constexpr std::int64_t kMin = 60, kHour = 3600;

// One zone rule for the date line and the dates read from headers (mbox, recovered messages):
// four digits with minutes below 60, or one of the names of RFC 5322.
TEST(DateZones, OneZoneRuleAndOneCalendarForEveryDate) {
    const std::pair<const char*, int> zones[] = {{"+0130", 90}, {"-0500", -300}, {"+0000", 0}, {"+2359", 1439},
                                                 {"gmt", 0},    {"UT", 0},       {"pdt", -420}};
    for (const auto& [zone, minutes] : zones) {
        EXPECT_EQ(ZoneMinutes(zone), minutes) << zone;
    }
    for (const char* refused : {"+0099", "+0060", "+01300", "0130", "+01a0", "CET", ""}) {
        EXPECT_EQ(ZoneMinutes(refused), std::nullopt) << refused;
    }
    const struct {
        int year, month, day;
        std::int64_t days;
    } dates[] = {
        {1970, 1, 1, 0}, {1969, 12, 31, -1}, {2000, 2, 29, 11016}, {1601, 1, 1, -134774}, {2038, 1, 19, 24855}};
    for (const auto& d : dates) {
        EXPECT_EQ(DaysFromCivil(d.year, d.month, d.day), d.days) << d.year;
        const CivilDate back = CivilFromDays(d.days);
        EXPECT_EQ(back.year * 10000 + back.month * 100 + back.day, d.year * 10000 + d.month * 100 + d.day);
    }
}

TEST(DateZones, MinutesAndDayFollowTheLocalClockAtTheReceiptTime) {
    const std::string date = "X: a\r\nDate: Wed, 2 Feb 2005 16:40:05 ";
    const std::int64_t sent = k2Feb2005 + 15 * kHour + 40 * kMin + 5; // 16:40:05 +0100
    const ZoneCase rows[] = {
        {"Asia/Kolkata", date + "+0100\r\n", sent + 20, "mercredi 2 f\xE9vrier 2005 21:10"},     // +05:30
        {"America/St_Johns", date + "+0100\r\n", sent + 20, "mercredi 2 f\xE9vrier 2005 12:10"}, // -03:30
        {"Asia/Kathmandu", date + "+0100\r\n", sent + 20, "mercredi 2 f\xE9vrier 2005 21:25"},   // +05:45
        {"Europe/Paris", date + "+0100\r\n", sent + 20, "mercredi 2 f\xE9vrier 2005 16:40"},     // whole hours
        {"Asia/Kolkata", date + "-0330\r\n", sent + 4 * kHour + 30 * kMin + 20,
         "jeudi 3 f\xE9vrier 2005 01:40"}, // the fractions cancel out
        {"Asia/Kolkata", "X: a\r\nDate: Wed, 2 Feb 2005 21:25:05 +0545\r\n", sent + 20,
         "mercredi 2 f\xE9vrier 2005 21:10"}, // a quarter of an hour back
        {"Asia/Kolkata", "X: a\r\nDate: Wed, 2 Feb 2005 15:25:05 -0015\r\n", sent + 20,
         "mercredi 2 f\xE9vrier 2005 21:10"},
        {"Asia/Kolkata", date + "EST\r\n", sent + 6 * kHour + 2 * kMin, "jeudi 3 f\xE9vrier 2005 03:10"},
        {"Asia/Kolkata", date + "gmt (heure de Londres)\r\n", sent + kHour, "mercredi 2 f\xE9vrier 2005 22:10"},
        {"Asia/Kolkata", "X: a\r\nDate: Wed, 2 Feb 2005 16:40 +0100\r\n", sent, "mercredi 2 f\xE9vrier 2005 21:10"},
        {"Asia/Kolkata", date + "+01:00\r\n", sent + 20, "mercredi 2 f\xE9vrier 2005 21:10"}, // zone with a colon
        {"Asia/Kolkata", "X: a\r\nDate: Wed, 2 Feb 2005 16:40 -03:30\r\n", sent + 4 * kHour + 30 * kMin,
         "jeudi 3 f\xE9vrier 2005 01:40"},
        // No readable zone: the minutes as written.
        {"Asia/Kolkata", date + "CET\r\n", sent, "mercredi 2 f\xE9vrier 2005 21:40"},
        {"Asia/Kolkata", date + "+010\r\n", sent, "mercredi 2 f\xE9vrier 2005 21:40"},
        {"Asia/Kolkata", date + "+01000\r\n", sent, "mercredi 2 f\xE9vrier 2005 21:40"},
        {"Asia/Kolkata", date + "+0060\r\n", sent, "mercredi 2 f\xE9vrier 2005 21:40"}, // no 60th minute
        {"Asia/Kolkata", date + "+0:00\r\n", sent, "mercredi 2 f\xE9vrier 2005 21:00"},
        {"Asia/Kolkata", "X: a\r\nDate: Wed, 2 Feb 2005 16:40:05\r\nZ: +0000\r\n", sent,
         "mercredi 2 f\xE9vrier 2005 21:40"},
        // The lowest Received line, with or without seconds.
        {"Asia/Kolkata", "X: a\r\nReceived: by mx; Wed, 2 Feb 2005 16:41:00 +0100\r\n", sent + kMin,
         "mercredi 2 f\xE9vrier 2005 21:11"},
        {"America/St_Johns", "X: a\r\nReceived: by mx; 2 Feb 2005 16:41 +0100\r\n", sent + kMin,
         "mercredi 2 f\xE9vrier 2005 12:11"},
        // The day changes across midnight, and the offset is the one at the receipt time.
        // 23:50 UTC is 05:20 the next day in India.
        {"Asia/Kolkata", "X: a\r\nDate: Wed, 2 Feb 2005 23:50:00 +0000\r\n", k2Feb2005 + 23 * kHour + 51 * kMin,
         "jeudi 3 f\xE9vrier 2005 05:20"},
        // Written at 23:58 local, received at 00:02: the candidate 00:58 goes back an hour and a day.
        {"Asia/Kolkata", "X: a\r\nDate: Wed, 2 Feb 2005 18:28:00 +0000\r\n", k2Feb2005 + 18 * kHour + 32 * kMin,
         "mercredi 2 f\xE9vrier 2005 23:58"},
        // 02:10 UTC is 22:40 the day before in Newfoundland.
        {"America/St_Johns", "X: a\r\nDate: Thu, 3 Feb 2005 02:10:00 +0000\r\n", k2Feb2005 + 26 * kHour + 11 * kMin,
         "mercredi 2 f\xE9vrier 2005 22:40"},
        // Lord Howe Island leaves its summer time (+11:00) for +10:30 at 15:00 UTC on 26 March 2005: before
        // the change the zones differ by whole hours, after it by half an hour.
        {"Australia/Lord_Howe", "X: a\r\nDate: Sat, 26 Mar 2005 14:20:00 +0000\r\n", k27Mar2005 - 9 * kHour - 35 * kMin,
         "dimanche 27 mars 2005 01:20"},
        {"Australia/Lord_Howe", "X: a\r\nDate: Sat, 26 Mar 2005 15:20:00 +0000\r\n", k27Mar2005 - 9 * kHour + 32 * kMin,
         "dimanche 27 mars 2005 01:50"},
    };
    for (const ZoneCase& row : rows) {
        EnvironmentGuard zone;
        zone.Set("TZ", row.zone);
        ::tzset();
        FakePrompter prompter;
        EXPECT_EQ(DateOE(row.header, Received(row.utc), prompter), std::string("Date : ") + row.expected + "\r\n")
            << row.zone << " " << row.header << " received " << Received(row.utc);
        EXPECT_TRUE(prompter.shown.empty());
    }
    ::tzset();
}

} // namespace
} // namespace glanmail
