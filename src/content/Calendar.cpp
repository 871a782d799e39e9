#include "content/Calendar.h"

#include "common/Text.h"

#include <utility>

namespace glanmail {

std::int64_t DaysFromCivil(int year, int month, int day) {
    const std::int64_t y = year - (month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

CivilDate CivilFromDays(std::int64_t days) {
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    CivilDate date;
    date.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    date.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    date.year = static_cast<int>(yoe + era * 400 + (date.month <= 2 ? 1 : 0));
    return date;
}

std::optional<int> ZoneMinutes(std::string_view zone) {
    if (zone.size() == 5 && (zone[0] == '+' || zone[0] == '-')) {
        int digits[4] = {};
        for (std::size_t i = 0; i < 4; ++i) {
            const char c = zone[i + 1];
            if (c < '0' || c > '9') {
                return std::nullopt;
            }
            digits[i] = c - '0';
        }
        const int minutes = digits[2] * 10 + digits[3];
        if (minutes > 59) {
            return std::nullopt;
        }
        const int offset = (digits[0] * 10 + digits[1]) * 60 + minutes;
        return zone[0] == '-' ? -offset : offset;
    }
    static constexpr std::pair<std::string_view, int> kNames[] = {
        {"UT", 0},        {"GMT", 0},       {"EST", -5 * 60}, {"EDT", -4 * 60}, {"CST", -6 * 60},
        {"CDT", -5 * 60}, {"MST", -7 * 60}, {"MDT", -6 * 60}, {"PST", -8 * 60}, {"PDT", -7 * 60}};
    for (const auto& [name, offset] : kNames) {
        if (text::EqualsIgnoreCase(zone, name)) {
            return offset;
        }
    }
    return std::nullopt;
}

} // namespace glanmail
