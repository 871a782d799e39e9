// The list's dates, from the stored FILETIME, in the local time of the C library (TZ).
#include "content/DateText.h"

#include <cstdint>
#include <cstdio>
#include <ctime>

namespace glanmail {
namespace {

constexpr std::int64_t kTicksPerSecond = 10000000;
constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600;

// Characters [from, from + n) of s (1-based from), as far as s goes.
std::string_view Mid(std::string_view s, std::size_t from, std::size_t n) {
    if (from < 1 || from > s.size()) {
        return {};
    }
    return s.substr(from - 1, n);
}

} // namespace

std::string DateString(std::string_view filetime) {
    std::uint64_t ticks = 0;
    for (std::size_t i = 8; i-- > 0;) {
        ticks = (ticks << 8) | (i < filetime.size() ? static_cast<unsigned char>(filetime[i]) : 0u);
    }
    std::tm fields{};
    bool converted = false;
    // Values with the top bit set are refused, as the system's conversion refuses them.
    if (ticks < (std::uint64_t{1} << 63)) {
        const auto seconds =
            static_cast<std::time_t>(static_cast<std::int64_t>(ticks) / kTicksPerSecond - kSecondsFrom1601To1970);
        converted = localtime_r(&seconds, &fields) != nullptr;
    }
    char buf[64];
    if (!converted) {
        std::snprintf(buf, sizeof buf, "00/00/0000 00:00:00");
    } else {
        std::snprintf(buf, sizeof buf, "%02d/%02d/%04d %02d:%02d:%02d", fields.tm_mday, fields.tm_mon + 1,
                      fields.tm_year + 1900, fields.tm_hour, fields.tm_min, fields.tm_sec);
    }
    return buf;
}

std::string DateSort(std::string_view dateText) {
    std::string key;
    key.reserve(15);
    key += Mid(dateText, 7, 4);
    key += Mid(dateText, 4, 2);
    key += Mid(dateText, 1, 2);
    key += ' ';
    key += Mid(dateText, 12, 2);
    key += Mid(dateText, 15, 2);
    key += dateText.substr(dateText.size() >= 2 ? dateText.size() - 2 : 0);
    return key;
}

} // namespace glanmail
