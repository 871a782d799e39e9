#include "MessageHeaders.h"

#include "common/Encoding.h"
#include "common/Text.h"
#include "content/Calendar.h"

#include <array>
#include <cctype>

namespace glanmail::samples {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (IsBlank(s.front()) || s.front() == '\r' || s.front() == '\n')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r' || s.back() == '\n')) {
        s.remove_suffix(1);
    }
    return s;
}

std::string DecodeQ(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '_') {
            out += ' ';
        } else if (c == '=' && i + 2 < text.size() && glanmail::text::HexDigitValue(text[i + 1]) >= 0 &&
                   glanmail::text::HexDigitValue(text[i + 2]) >= 0) {
            out += static_cast<char>(glanmail::text::HexDigitValue(text[i + 1]) * 16 +
                                     glanmail::text::HexDigitValue(text[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

std::string DecodeB(std::string_view text) {
    static constexpr std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::uint32_t bits = 0;
    int count = 0;
    for (char c : text) {
        const std::size_t digit = alphabet.find(c);
        if (digit == std::string_view::npos) {
            continue; // padding and stray characters
        }
        bits = (bits << 6) | static_cast<std::uint32_t>(digit);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    return out;
}

// One encoded word starting at pos; its decoded text and the position after it.
std::optional<std::pair<std::string, std::size_t>> EncodedWordAt(std::string_view s, std::size_t pos) {
    if (s.compare(pos, 2, "=?") != 0) {
        return std::nullopt;
    }
    const std::size_t q1 = s.find('?', pos + 2);
    if (q1 == std::string_view::npos || q1 + 2 >= s.size() || s[q1 + 2] != '?') {
        return std::nullopt;
    }
    const std::size_t end = s.find("?=", q1 + 3);
    if (end == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view charset = s.substr(pos + 2, q1 - pos - 2);
    charset = charset.substr(0, charset.find('*')); // RFC 2231 language suffix
    const char kind = static_cast<char>(std::toupper(static_cast<unsigned char>(s[q1 + 1])));
    const std::string_view payload = s.substr(q1 + 3, end - q1 - 3);
    std::string bytes;
    if (kind == 'Q') {
        bytes = DecodeQ(payload);
    } else if (kind == 'B') {
        bytes = DecodeB(payload);
    } else {
        return std::nullopt;
    }
    if (text::EqualsIgnoreCase(charset, "utf-8")) {
        bytes = encoding::FromUtf8(bytes);
    }
    return std::make_pair(std::move(bytes), end + 2);
}

bool AllDigits(std::string_view s) {
    if (s.empty()) {
        return false;
    }
    for (char c : s) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}

int ToInt(std::string_view s) {
    int v = 0;
    for (char c : s) {
        v = v * 10 + (c - '0');
        if (v > 100000) {
            return v;
        }
    }
    return v;
}

std::optional<int> MonthOf(std::string_view token) {
    static constexpr std::array<std::string_view, 12> names = {"jan", "feb", "mar", "apr", "may", "jun",
                                                               "jul", "aug", "sep", "oct", "nov", "dec"};
    if (token.size() < 3) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (text::EqualsIgnoreCase(token.substr(0, 3), names[i])) {
            return static_cast<int>(i) + 1;
        }
    }
    return std::nullopt;
}

// Offset from UTC in minutes: "+0200", "-0500", "+01:00", or a zone name; nothing when unknown.
std::optional<int> ZoneMinutes(std::string_view token) {
    if (!token.empty() && (token[0] == '+' || token[0] == '-')) {
        std::string digits;
        for (char c : token.substr(1)) {
            if (c != ':') {
                digits += c;
            }
        }
        if (digits.size() != 4 || !AllDigits(digits)) {
            return std::nullopt;
        }
        const int minutes = ToInt(digits.substr(0, 2)) * 60 + ToInt(digits.substr(2, 2));
        return token[0] == '-' ? -minutes : minutes;
    }
    struct Named {
        std::string_view name;
        int minutes;
    };
    static constexpr std::array<Named, 16> names = {{{"GMT", 0},
                                                     {"UT", 0},
                                                     {"UTC", 0},
                                                     {"Z", 0},
                                                     {"EST", -300},
                                                     {"EDT", -240},
                                                     {"CST", -360},
                                                     {"CDT", -300},
                                                     {"MST", -420},
                                                     {"MDT", -360},
                                                     {"PST", -480},
                                                     {"PDT", -420},
                                                     {"CET", 60},
                                                     {"CEST", 120},
                                                     {"MET", 60},
                                                     {"MEST", 120}}};
    for (const Named& n : names) {
        if (text::EqualsIgnoreCase(token, n.name)) {
            return n.minutes;
        }
    }
    return std::nullopt;
}

std::vector<std::string_view> DateTokens(std::string_view s) {
    std::vector<std::string_view> tokens;
    std::size_t i = 0;
    int depth = 0;
    std::size_t start = std::string_view::npos;
    for (; i <= s.size(); ++i) {
        const char c = i < s.size() ? s[i] : ' ';
        const bool separator = IsBlank(c) || c == ',' || c == '\r' || c == '\n' || c == '(' || c == ')';
        if (c == '(') {
            ++depth;
        }
        if (separator || depth > 0) {
            if (start != std::string_view::npos) {
                tokens.push_back(s.substr(start, i - start));
                start = std::string_view::npos;
            }
            if (c == ')' && depth > 0) {
                --depth;
            }
        } else if (start == std::string_view::npos) {
            start = i;
        }
    }
    return tokens;
}

} // namespace

std::vector<HeaderField> ParseHeaders(std::string_view raw) {
    std::vector<HeaderField> fields;
    std::size_t pos = 0;
    while (pos < raw.size()) {
        std::size_t eol = raw.find('\n', pos);
        if (eol == std::string_view::npos) {
            eol = raw.size();
        }
        std::string_view line = raw.substr(pos, eol - pos);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        pos = eol + 1;
        if (line.empty()) {
            break; // end of the header
        }
        if (IsBlank(line.front())) {
            if (!fields.empty()) {
                fields.back().value += ' ';
                fields.back().value += Trim(line);
            }
            continue;
        }
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) {
            continue; // not a header line (an mbox "From " line, for example)
        }
        fields.push_back({std::string(Trim(line.substr(0, colon))), std::string(Trim(line.substr(colon + 1)))});
    }
    return fields;
}

std::optional<std::string> FieldValue(const std::vector<HeaderField>& fields, std::string_view name) {
    for (const HeaderField& f : fields) {
        if (text::EqualsIgnoreCase(f.name, name)) {
            return f.value;
        }
    }
    return std::nullopt;
}

std::string DecodeEncodedWords(std::string_view value) {
    std::string out;
    std::size_t pos = 0;
    bool lastWasEncoded = false;
    std::size_t blanksStart = 0; // where the blanks after the last encoded word begin in out
    while (pos < value.size()) {
        if (auto word = EncodedWordAt(value, pos)) {
            if (lastWasEncoded) {
                out.resize(blanksStart); // blanks between two encoded words are not text
            }
            out += word->first;
            pos = word->second;
            lastWasEncoded = true;
            blanksStart = out.size();
            continue;
        }
        if (!IsBlank(value[pos])) {
            lastWasEncoded = false;
        }
        out += value[pos];
        ++pos;
    }
    return out;
}

std::optional<std::int64_t> ParseMailDate(std::string_view textValue) {
    const std::vector<std::string_view> tokens = DateTokens(textValue);
    std::size_t i = 0;
    if (i < tokens.size() && !AllDigits(tokens[i])) {
        ++i; // day name
    }
    if (i + 2 >= tokens.size() || !AllDigits(tokens[i]) || !AllDigits(tokens[i + 2])) {
        return std::nullopt;
    }
    const int day = ToInt(tokens[i]);
    const std::optional<int> month = MonthOf(tokens[i + 1]);
    int year = ToInt(tokens[i + 2]);
    if (!month || day < 1 || day > 31 || tokens[i + 2].size() > 4) {
        return std::nullopt;
    }
    if (tokens[i + 2].size() <= 2) {
        year += year < 50 ? 2000 : 1900;
    } else if (tokens[i + 2].size() == 3) {
        year += 1900;
    }
    i += 3;
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (i < tokens.size()) {
        const std::string_view clock = tokens[i];
        const std::size_t c1 = clock.find(':');
        const std::size_t c2 = c1 == std::string_view::npos ? c1 : clock.find(':', c1 + 1);
        if (c1 == std::string_view::npos || !AllDigits(clock.substr(0, c1))) {
            return std::nullopt;
        }
        const std::string_view mm = clock.substr(c1 + 1, c2 == std::string_view::npos ? c2 : c2 - c1 - 1);
        const std::string_view ss = c2 == std::string_view::npos ? "0" : clock.substr(c2 + 1);
        if (!AllDigits(mm) || !AllDigits(ss)) {
            return std::nullopt;
        }
        hour = ToInt(clock.substr(0, c1));
        minute = ToInt(mm);
        second = ToInt(ss);
        if (hour > 23 || minute > 59 || second > 60) {
            return std::nullopt;
        }
        ++i;
    }
    const int zone = i < tokens.size() ? ZoneMinutes(tokens[i]).value_or(0) : 0;
    const std::int64_t days = DaysFromCivil(year, *month, day);
    return days * 86400 + hour * 3600 + minute * 60 + second - zone * 60;
}

std::string DisplayName(std::string_view from) {
    const std::string_view value = Trim(from);
    const std::size_t lt = value.find('<');
    if (lt != std::string_view::npos) {
        std::string_view phrase = Trim(value.substr(0, lt));
        if (phrase.size() >= 2 && phrase.front() == '"' && phrase.back() == '"') {
            phrase = phrase.substr(1, phrase.size() - 2);
        }
        std::string unquoted;
        for (std::size_t i = 0; i < phrase.size(); ++i) {
            if (phrase[i] == '\\' && i + 1 < phrase.size()) {
                ++i;
            }
            unquoted += phrase[i];
        }
        const std::string name = DecodeEncodedWords(Trim(unquoted));
        if (!Trim(name).empty()) {
            return std::string(Trim(name));
        }
        const std::size_t gt = value.find('>', lt);
        return std::string(Trim(value.substr(lt + 1, gt == std::string_view::npos ? gt : gt - lt - 1)));
    }
    // "address (Name)", the older form
    const std::size_t open = value.find('(');
    const std::size_t close = value.rfind(')');
    if (open != std::string_view::npos && close != std::string_view::npos && close > open + 1) {
        return DecodeEncodedWords(Trim(value.substr(open + 1, close - open - 1)));
    }
    return std::string(value);
}

std::string SubjectKeyOf(std::string_view subject) {
    static constexpr std::array<std::string_view, 4> prefixes = {"re:", "fwd:", "fw:", "tr:"};
    std::string_view s = Trim(subject);
    for (bool stripped = true; stripped;) {
        stripped = false;
        for (std::string_view p : prefixes) {
            if (text::StartsWithIgnoreCase(s, p)) {
                s = Trim(s.substr(p.size()));
                stripped = true;
            }
        }
    }
    return std::string(s);
}

std::string ParentsOf(const std::vector<HeaderField>& fields) {
    std::optional<std::string> ids = FieldValue(fields, "References");
    if (!ids || ids->find('<') == std::string::npos) {
        ids = FieldValue(fields, "In-Reply-To");
        if (!ids) {
            return {};
        }
        // In-Reply-To names the direct parent only; some programs add a comment after it.
        const std::size_t lt = ids->find('<');
        const std::size_t gt = lt == std::string::npos ? lt : ids->find('>', lt);
        return gt == std::string::npos ? std::string() : ids->substr(lt, gt - lt + 1);
    }
    std::string out;
    std::size_t pos = 0;
    while ((pos = ids->find('<', pos)) != std::string::npos) {
        const std::size_t gt = ids->find('>', pos);
        if (gt == std::string::npos) {
            break;
        }
        if (!out.empty()) {
            out += ' ';
        }
        out += ids->substr(pos, gt - pos + 1);
        pos = gt + 1;
    }
    return out;
}

testing::WriterMessage MessageFromRaw(std::string raw) {
    const std::vector<HeaderField> fields = ParseHeaders(raw);
    testing::WriterMessage m;

    // Outlook Express files a message without Subject: under an empty subject.
    const std::string subject = DecodeEncodedWords(FieldValue(fields, "Subject").value_or(""));
    m.subject = subject;
    m.subjectKey = SubjectKeyOf(subject);
    if (auto id = FieldValue(fields, "Message-ID")) {
        m.messageId = std::string(Trim(*id));
    }
    const std::string parents = ParentsOf(fields);
    if (!parents.empty()) {
        m.parents = parents;
    }
    if (auto from = FieldValue(fields, "From")) {
        m.sender = DisplayName(*from);
    }

    // Receipt time: the Date: line, else the time the last server took the message
    // (the first Received: line, after its ";"), else a fixed date.
    std::optional<std::int64_t> when;
    if (auto date = FieldValue(fields, "Date")) {
        when = ParseMailDate(*date);
    }
    if (!when) {
        if (auto received = FieldValue(fields, "Received")) {
            const std::size_t semicolon = received->rfind(';');
            if (semicolon != std::string::npos) {
                when = ParseMailDate(std::string_view(*received).substr(semicolon + 1));
            }
        }
    }
    m.received = testing::FiletimeFromUnix(when.value_or(kFallbackDate));
    m.raw = std::move(raw);
    return m;
}

} // namespace glanmail::samples
