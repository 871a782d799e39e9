// The decoding written literally: each rule a whole-text step, in the program's order.
#include "content/DecodeReference.h"

#include "common/Encoding.h"
#include "common/Text.h"

#include <cctype>

namespace glanmail::reference {
namespace {

using encoding::ByteFor;
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

} // namespace glanmail::reference
