#include "output/Mbox.h"

#include "content/Calendar.h"
#include "reader/HeaderFields.h"

#include <array>
#include <cstdio>

namespace glanmail {
namespace {

// True when line (without its end) is "From " preceded by nothing but ">".
bool NeedsQuote(std::string_view line) {
    std::size_t i = 0;
    while (i < line.size() && line[i] == '>') {
        ++i;
    }
    return line.substr(i, 5) == "From ";
}

} // namespace

std::string MboxFromLine(std::string_view address, std::optional<std::int64_t> unixTime) {
    static constexpr std::array<const char*, 7> kDays = {"Thu", "Fri", "Sat", "Sun", "Mon", "Tue", "Wed"};
    static constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::int64_t t = unixTime.value_or(0);
    std::int64_t days = t / 86400;
    std::int64_t secs = t % 86400;
    if (secs < 0) {
        secs += 86400;
        --days;
    }
    const CivilDate civil = CivilFromDays(days);
    const int y = civil.year, m = civil.month, d = civil.day;
    const auto weekday = static_cast<std::size_t>(((days % 7) + 7) % 7);
    char date[64];
    std::snprintf(date, sizeof date, "%s %s %2d %02d:%02d:%02d %d", kDays[weekday],
                  kMonths[static_cast<std::size_t>(m - 1)], d, static_cast<int>(secs / 3600),
                  static_cast<int>(secs / 60 % 60), static_cast<int>(secs % 60), y);
    // An address never holds a space in the separator line, or readers would take it apart.
    std::string who;
    for (const char c : address) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') {
            who.push_back(c);
        }
    }
    return "From " + (who.empty() ? std::string("MAILER-DAEMON") : who) + " " + date + "\n";
}

std::string MboxEntry(std::string_view raw) {
    const HeaderFields headers = ReadHeaderFields(raw);
    std::string out = MboxFromLine(headers.Address, headers.Time);
    out.reserve(out.size() + raw.size() + raw.size() / 64 + 2);
    std::size_t at = 0;
    while (at < raw.size()) {
        std::size_t end = raw.find('\n', at);
        const bool lastLine = end == std::string_view::npos;
        if (lastLine) {
            end = raw.size();
        }
        std::string_view line = raw.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (NeedsQuote(line)) {
            out.push_back('>');
        }
        out.append(line);
        out.push_back('\n');
        at = end + 1;
    }
    out.push_back('\n');
    return out;
}

} // namespace glanmail
