#include "reader/HeaderFields.h"

#include "common/Text.h"
#include "content/Calendar.h"
#include "content/DateText.h"
#include "content/EncodedWords.h"

#include <array>
#include <cctype>
#include <vector>

namespace glanmail {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (IsBlank(s.front()) || s.front() == '\r' || s.front() == '\n')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r' || s.back() == '\n')) {
        s.remove_suffix(1);
    }
    return s;
}

// The header block: everything before the first empty line.
std::string_view HeaderBlockOf(std::string_view raw) {
    std::size_t lineStart = 0;
    while (lineStart < raw.size()) {
        std::size_t end = raw.find('\n', lineStart);
        if (end == std::string_view::npos) {
            return raw;
        }
        std::string_view line = raw.substr(lineStart, end - lineStart);
        if (line.empty() || line == "\r") {
            return raw.substr(0, lineStart);
        }
        lineStart = end + 1;
    }
    return raw;
}

// Every "<...>" of s, concatenated.
std::string AngleElements(std::string_view s) {
    std::string out;
    std::size_t at = 0;
    while ((at = s.find('<', at)) != std::string_view::npos) {
        const std::size_t close = s.find('>', at);
        if (close == std::string_view::npos) {
            break;
        }
        for (const char c : s.substr(at, close - at + 1)) {
            if (!IsBlank(c)) {
                out.push_back(c);
            }
        }
        at = close + 1;
    }
    return out;
}

std::string Unquoted(std::string_view s) {
    s = TrimBlanks(s);
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') {
        s = s.substr(1, s.size() - 2);
    }
    return std::string(TrimBlanks(s));
}

// Display name and address of a "From:" value: "Name" <a@b>, Name <a@b>, a@b (Name), a@b.
void ReadFrom(std::string_view value, HeaderFields& fields) {
    const std::size_t open = value.find('<');
    const std::size_t close = open == std::string_view::npos ? open : value.find('>', open);
    if (close != std::string_view::npos) {
        fields.Address = std::string(TrimBlanks(value.substr(open + 1, close - open - 1)));
        fields.Sender = Unquoted(value.substr(0, open));
    } else {
        const std::size_t paren = value.find('(');
        const std::size_t end = paren == std::string_view::npos ? paren : value.find(')', paren);
        fields.Address = std::string(TrimBlanks(value.substr(0, paren)));
        if (end != std::string_view::npos) {
            fields.Sender = Unquoted(value.substr(paren + 1, end - paren - 1));
        }
    }
    fields.Sender = DecodeEncodedWords(fields.Sender);
    if (fields.Sender.empty()) {
        fields.Sender = fields.Address;
    }
}

bool IsDigits(std::string_view s) {
    if (s.empty()) {
        return false;
    }
    for (const char c : s) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

int Number(std::string_view s) {
    int v = 0;
    for (const char c : s.substr(0, 9)) {
        v = v * 10 + (c - '0');
    }
    return v;
}

int MonthOf(std::string_view s) {
    static constexpr std::array<std::string_view, 12> kMonths = {"jan", "feb", "mar", "apr", "may", "jun",
                                                                 "jul", "aug", "sep", "oct", "nov", "dec"};
    for (std::size_t m = 0; m < kMonths.size(); ++m) {
        if (s.size() >= 3 && text::EqualsIgnoreCase(s.substr(0, 3), kMonths[m])) {
            return static_cast<int>(m) + 1;
        }
    }
    return 0;
}

std::vector<std::string_view> Tokens(std::string_view s) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < s.size() && out.size() < 16) {
        while (i < s.size() && (IsBlank(s[i]) || s[i] == ',' || s[i] == '\r' || s[i] == '\n')) {
            ++i;
        }
        const std::size_t start = i;
        while (i < s.size() && !(IsBlank(s[i]) || s[i] == ',' || s[i] == '\r' || s[i] == '\n')) {
            ++i;
        }
        if (i > start) {
            out.push_back(s.substr(start, i - start));
        }
    }
    return out;
}

} // namespace

std::optional<std::int64_t> ParseMailDate(std::string_view date) {
    const std::vector<std::string_view> t = Tokens(date);
    std::size_t i = 0;
    if (i < t.size() && !IsDigits(t[i])) {
        ++i; // the day name
    }
    if (i + 3 > t.size() || !IsDigits(t[i]) || MonthOf(t[i + 1]) == 0 || !IsDigits(t[i + 2])) {
        return std::nullopt;
    }
    const int day = Number(t[i]);
    const int month = MonthOf(t[i + 1]);
    int year = Number(t[i + 2]);
    if (t[i + 2].size() <= 2) {
        year += year < 50 ? 2000 : 1900;
    } else if (t[i + 2].size() == 3) {
        year += 1900;
    }
    i += 3;
    int hour = 0, minute = 0, second = 0;
    if (i < t.size()) {
        const std::string_view hms = t[i];
        if (hms.size() >= 5 && hms[2] == ':' && IsDigits(hms.substr(0, 2)) && IsDigits(hms.substr(3, 2))) {
            hour = Number(hms.substr(0, 2));
            minute = Number(hms.substr(3, 2));
            if (hms.size() >= 8 && hms[5] == ':' && IsDigits(hms.substr(6, 2))) {
                second = Number(hms.substr(6, 2));
            }
            ++i;
        }
    }
    if (day < 1 || day > 31 || year < 1601 || year > 9999 || hour > 23 || minute > 59 || second > 60) {
        return std::nullopt;
    }
    // An unknown or unreadable zone counts as UTC, as RFC 822 says of unknown names.
    const int zone = i < t.size() ? ZoneMinutes(t[i]).value_or(0) : 0;
    const std::int64_t clock = std::int64_t{hour} * 3600 + std::int64_t{minute} * 60 + second;
    return DaysFromCivil(year, month, day) * 86400 + clock - std::int64_t{zone} * 60;
}

std::string DateTextOfUnix(std::int64_t seconds) {
    constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600;
    const auto ticks = static_cast<std::uint64_t>(seconds + kSecondsFrom1601To1970) * 10000000u;
    std::string filetime;
    for (int i = 0; i < 8; ++i) {
        filetime.push_back(static_cast<char>((ticks >> (8 * i)) & 0xFF));
    }
    return DateString(filetime);
}

HeaderFields ReadHeaderFields(std::string_view raw) {
    const std::string_view block = HeaderBlockOf(raw);
    HeaderFields fields;
    std::string from, date, received, references, inReplyTo;
    bool haveSubject = false, haveFrom = false, haveId = false, haveDate = false;
    std::string* current = nullptr; // the value that continuation lines extend
    std::size_t at = 0;
    while (at < block.size()) {
        std::size_t end = block.find('\n', at);
        if (end == std::string_view::npos) {
            end = block.size();
        }
        std::string_view line = block.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (!line.empty() && IsBlank(line.front())) {
            if (current != nullptr) {
                current->append(line);
            }
            continue;
        }
        current = nullptr;
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) {
            continue;
        }
        const std::string_view name = line.substr(0, colon);
        const std::string_view value = line.substr(colon + 1);
        auto take = [&](std::string& into, bool& seen) {
            if (!seen) {
                seen = true;
                into.assign(value);
                current = &into;
            }
        };
        if (text::EqualsIgnoreCase(name, "Subject")) {
            take(fields.Subject, haveSubject);
        } else if (text::EqualsIgnoreCase(name, "From")) {
            take(from, haveFrom);
        } else if (text::EqualsIgnoreCase(name, "Message-ID")) {
            take(fields.MessageId, haveId);
        } else if (text::EqualsIgnoreCase(name, "Date")) {
            take(date, haveDate);
        } else if (text::EqualsIgnoreCase(name, "Received")) {
            received.assign(value); // the last one is the oldest hop
            current = &received;
        } else if (text::EqualsIgnoreCase(name, "References") && references.empty()) {
            references.assign(value);
            current = &references;
        } else if (text::EqualsIgnoreCase(name, "In-Reply-To") && inReplyTo.empty()) {
            inReplyTo.assign(value);
            current = &inReplyTo;
        }
    }
    fields.Subject = DecodeEncodedWords(TrimBlanks(fields.Subject));
    fields.MessageId = std::string(TrimBlanks(fields.MessageId));
    ReadFrom(from, fields);
    fields.Parents = AngleElements(references);
    if (fields.Parents.empty()) {
        fields.Parents = AngleElements(inReplyTo);
    }
    fields.Time = ParseMailDate(date);
    if (!fields.Time) {
        const std::size_t semicolon = received.rfind(';');
        if (semicolon != std::string::npos) {
            fields.Time = ParseMailDate(std::string_view(received).substr(semicolon + 1));
        }
    }
    return fields;
}

} // namespace glanmail
