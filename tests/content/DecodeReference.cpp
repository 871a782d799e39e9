// The decoding and the HTML conversion written literally: each rule a whole-text step, in the program's order.
#include "content/DecodeReference.h"

#include "common/Encoding.h"
#include "common/Text.h"
#include "content/HtmlEntities.h"

#include <algorithm>
#include <cctype>
#include <regex>

namespace glanmail::reference {
namespace {

using encoding::ByteFor;
using text::Find;
using text::npos;
using text::ReplaceAll;

const auto Hex = [](int n) { return std::string{"0123456789ABCDEF"[n / 16], "0123456789ABCDEF"[n % 16]}; };
const auto Char = [](int n) { return std::string(1, static_cast<char>(static_cast<unsigned char>(n))); };
const auto Byte = [](char c) { return static_cast<int>(static_cast<unsigned char>(c)); };

// Replacements given as pairs (text, replacement), each on the whole result of the one before.
std::string Rules(std::string s, std::initializer_list<const char*> pairs) {
    for (auto it = pairs.begin(); it != pairs.end(); it += 2) {
        s = ReplaceAll(s, it[0], it[1]);
    }
    return s;
}

// Every well-formed UTF-8 character becomes its Windows-1252 byte (or "?"): spelled as "=XX" escapes
// when `escaped`; otherwise raw, and only three-byte sequences led by E2 and four-byte ones led by F0.
std::string Utf8Characters(const std::string& s, bool escaped) {
    const std::size_t width = escaped ? 3 : 1;
    const auto at = [&](std::size_t p) {
        const bool hex =
            p + 2 < s.size() && s[p] == '=' && std::isxdigit(Byte(s[p + 1])) && std::isxdigit(Byte(s[p + 2]));
        return !escaped ? (p < s.size() ? Byte(s[p]) : -1) : hex ? std::stoi(s.substr(p + 1, 2), nullptr, 16) : -1;
    };
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        const int lead = at(i);
        const std::size_t len = lead < 0xC2 ? 0 : lead <= 0xDF ? 2 : lead <= 0xEF ? 3 : lead <= 0xF4 ? 4 : 0;
        bool ok = len > 0 && (escaped || lead == 0xE2 || lead == 0xF0);
        long cp = lead & (0x7F >> len);
        for (std::size_t k = 1; ok && k < len; ++k) {
            const int c = at(i + width * k);
            ok = c >= 0x80 && c <= 0xBF;
            cp = cp * 64 + (c & 0x3F);
        }
        const long least[] = {0, 0, 0x80, 0x800, 0x10000};
        const bool valid = ok && cp >= least[len] && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
        out += valid ? ByteFor(static_cast<char32_t>(cp)) : s[i];
        i += valid ? width * len : 1;
    }
    return out;
}

// 1-based position of the first occurrence at or after 1-based `start`; 0 when none.
std::size_t InStr(std::size_t start, const std::string& s, std::string_view pattern) {
    const std::size_t p = start == 0 || start > s.size() ? npos : Find(s, pattern, start - 1);
    return p == npos ? 0 : p + 1;
}

// In one pass "&name;" (but "&amp;"), "&#N;" and "&#xH;" become their byte or "?"; then "&amp;" becomes "&".
std::string References(std::string s) {
    s = Rules(s, {"&#160;", " ", "&nbsp;", " ", "&#8226;", "\x95 ", "&copy;", "\xA9"});
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const std::size_t semi = s[i] == '&' ? s.find(';', i) : npos;
        const std::string name = semi == npos ? "" : s.substr(i + 1, semi - i - 1);
        const bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
        const std::string d = name.empty() || name[0] != '#' ? "" : name.substr(hex ? 2 : 1); // the digits
        const bool numeric = !d.empty() && d.find_first_not_of(hex ? "0123456789ABCDEFabcdef" : "0123456789") == npos;
        const auto v = !numeric ? 0ULL : d.size() > 12 ? 0x110000ULL : std::stoull(d, nullptr, hex ? 16 : 10);
        char32_t cp = 0;
        if (numeric) {
            const bool none = v == 0 || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF);
            out += v >= 128 && v <= 159 ? static_cast<char>(v) : none ? '?' : ByteFor(static_cast<char32_t>(v));
        } else if (!name.empty() && name != "amp" && html::EntityCodePoint(name, cp)) {
            out += ByteFor(cp);
        } else {
            out += s[i];
            continue;
        }
        i = semi;
    }
    return ReplaceAll(out, "&amp;", "&");
}

} // namespace

std::string Decode(std::string_view text, bool isUtf8) {
    std::string s = Rules(std::string(text), {"=\r\n", "", "\x8E", "\xE9", "&gt;", ">", "&quot;", "\"", "=C3=83=C2=A9",
                                              "\xE9", "\xC3\x83\xC2\xA9", "\xE9"});
    if (isUtf8) {
        s = Rules(
            s, {"=EF=BB=BF", "", "=E2=80=99", "\x92", "=E2=80=A2", "\x95", "\xC5\x93", "\x9C", "\xE2\x82\xAC", "\x80"});
        for (int n = 128; n <= 191; ++n) {
            s = ReplaceAll(s, "=C0=" + Hex(n), Char(n - 128));
            s = ReplaceAll(s, "=C3=" + Hex(n), Char(n + 64));
            s = ReplaceAll(s, Char(195) + Char(n), Char(n + 64));
        }
        for (int n = 128; n <= 159; ++n) {
            s = ReplaceAll(s, "=C1=" + Hex(n), Char(n - 64));
        }
        for (int n = 128; n <= 176; ++n) {
            s = ReplaceAll(s, "=C2=" + Hex(n), Char(n));
        }
        s = Rules(s, {"=\r\n", "", "=20", " ", "=3D", "="});
        for (int n = 192; n <= 255; ++n) {
            s = ReplaceAll(s, "&#" + std::to_string(n) + ";", Char(n));
        }
        s = Utf8Characters(Utf8Characters(s, true), false);
    } else {
        s = Rules(s, {"=09", " ", "=0A", " "});
        for (int n = 32; n <= 255; ++n) {
            s = std::isalnum(n) ? s : ReplaceAll(s, "=" + Hex(n), Char(n)); // letters and digits stay escaped
        }
        s = Rules(
            s, {"&#8217;", "'", "&#8217", "'", "&#8364;", "\x80", "&#8364", "\x80", "&euro;", "\x80", "&euro", "\x80"});
    }
    return ReplaceAll(s, "\n", "\r\n");
}

std::string DecodeBase64(std::string_view text) {
    static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=";
    const std::string s = Rules(std::string(text), {"\r\n", "", "\t", "", " ", ""});
    std::string out;
    for (std::size_t g = 0; s.size() % 4 == 0 && s.find_first_not_of(alphabet) == npos && g < s.size(); g += 4) {
        long value = 0;
        for (std::size_t k = g; k < g + 4; ++k) {
            value = value * 64 + static_cast<long>(alphabet.find(s[k]) % 64); // "=" counts as 0
        }
        const long count = 3 - static_cast<long>(std::count(&s[g], &s[g] + 4, '=')); // each "=" one byte less
        for (long k = 0; k < count; ++k) {
            out += Char(static_cast<int>((value >> (16 - 8 * k)) & 0xFF));
        }
    }
    while (!out.empty() && Byte(out.back()) < 32) {
        out.pop_back();
    }
    return out;
}

std::string HTMLProcessing(std::string_view input, bool isUtf8) {
    std::string s(input);
    if (Find(s, "<") == npos || Find(s, ">") == npos) {
        return Decode(s, isUtf8);
    }
    s = Find(s, "</head>") == npos ? s : s.substr(Find(s, "</head>") + 7);
    for (std::size_t p, q; (p = Find(s, "<style")) != npos && (q = Find(s, "</style>", p)) != npos;) {
        s = s.substr(0, p) + s.substr(q + 8);
    }
    s = ReplaceAll(s, "\r\n", " ");
    for (int n = 0; n < 32; ++n) {
        s = ReplaceAll(s, Char(n), n == 9 || n == 10 || n == 13 ? " " : "");
    }
    while (Find(s, "  ") != npos) {
        s = ReplaceAll(s, "  ", " ");
    }
    s = ReplaceAll(s, "> <", "><");
    for (std::size_t i = InStr(1, s, "<p"), j, g; i != 0 && (j = InStr(i + 1, s, "<p")) != 0;) {
        if (InStr(i + 1, s, "</p") <= j) {
            i = j;
        } else if ((g = InStr(j, s, ">")) == 0) {
            break;
        } else {
            s = s.substr(0, j - 1) + "\r\n\r\n" + s.substr(g);
            i = g + 5;
        }
    }
    s = ReplaceAll(s, "</p>", "\r\n\r\n");
    s = Rules(s, {"<br>", "\r\n", "<br />", "\r\n", "</li>", "\r\n", "</div>", "\r\n", "</tr>", "\r\n"});
    s = std::regex_replace(s, std::regex("(</t[dh]>)(?=<t[dh][ >/])", std::regex::icase), "$1 ");
    for (std::size_t lt = 0, gt; (lt = s.find('<', lt)) != npos && (gt = s.find('>', lt)) != npos;) {
        s.erase(lt, gt - lt + 1);
    }
    s = ReplaceAll(s, "\r\n ", "\r\n");
    while (text::EndsWithIgnoreCase(s, "\r\n\r\n")) {
        s.resize(s.size() - 2);
    }
    s.erase(0, s.find_first_not_of(' '));
    s.erase(s.find_last_not_of(' ') + 1);
    return References(s);
}

} // namespace glanmail::reference
