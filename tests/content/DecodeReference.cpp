#include "content/DecodeReference.h"

#include "common/Encoding.h"
#include "common/Text.h"

#include <cstdio>

namespace glanmail::reference {
namespace {

using text::ReplaceAll;

std::string Hex(int n) {
    char buf[3];
    std::snprintf(buf, sizeof buf, "%02X", n);
    return buf;
}

std::string Char(int n) {
    return std::string(1, static_cast<char>(static_cast<unsigned char>(n)));
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

// Value of the escape "=XY" at p, or -1.
int EscapeAt(const std::string& s, std::size_t p) {
    if (p + 2 >= s.size() || s[p] != '=') {
        return -1;
    }
    const int hi = HexDigit(s[p + 1]);
    const int lo = HexDigit(s[p + 2]);
    return hi < 0 || lo < 0 ? -1 : hi * 16 + lo;
}

// Code point of a well-formed UTF-8 sequence given as its bytes, or -1.
long DecodeUtf8(const int* b, int len) {
    const int lead = b[0];
    int need = 0;
    long cp = 0;
    int lo = 0x80;
    int hi = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        need = 1;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 2;
        cp = lead & 0x0F;
        lo = lead == 0xE0 ? 0xA0 : 0x80;
        hi = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 3;
        cp = lead & 0x07;
        lo = lead == 0xF0 ? 0x90 : 0x80;
        hi = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return -1;
    }
    if (len != need + 1) {
        return -1;
    }
    for (int i = 1; i <= need; ++i) {
        const int c = b[i];
        const int l = i == 1 ? lo : 0x80;
        const int h = i == 1 ? hi : 0xBF;
        if (c < l || c > h) {
            return -1;
        }
        cp = cp * 64 + (c & 0x3F);
    }
    return cp;
}

int SequenceLength(int lead) {
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    return 0;
}

// Runs of "=XX" escapes that spell one UTF-8 character become that character.
std::string EscapedUtf8(const std::string& s) {
    std::string out;
    std::size_t i = 0;
    while (i < s.size()) {
        const int lead = EscapeAt(s, i);
        const int len = lead < 0 ? 0 : SequenceLength(lead);
        if (len > 0) {
            int bytes[4] = {lead, 0, 0, 0};
            bool ok = true;
            for (int k = 1; k < len && ok; ++k) {
                bytes[k] = EscapeAt(s, i + 3 * static_cast<std::size_t>(k));
                ok = bytes[k] >= 0;
            }
            const long cp = ok ? DecodeUtf8(bytes, len) : -1;
            if (cp >= 0) {
                out += encoding::ByteFor(static_cast<char32_t>(cp));
                i += 3 * static_cast<std::size_t>(len);
                continue;
            }
        }
        out += s[i];
        ++i;
    }
    return out;
}

// Raw three-byte sequences led by E2 and four-byte sequences led by F0 become their character.
std::string RawUtf8(const std::string& s) {
    std::string out;
    std::size_t i = 0;
    while (i < s.size()) {
        const int lead = static_cast<unsigned char>(s[i]);
        const int len = lead == 0xE2 ? 3 : lead == 0xF0 ? 4 : 0;
        if (len > 0 && i + static_cast<std::size_t>(len) <= s.size()) {
            int bytes[4] = {lead, 0, 0, 0};
            for (int k = 1; k < len; ++k) {
                bytes[k] = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
            }
            const long cp = DecodeUtf8(bytes, len);
            if (cp >= 0) {
                out += encoding::ByteFor(static_cast<char32_t>(cp));
                i += static_cast<std::size_t>(len);
                continue;
            }
        }
        out += s[i];
        ++i;
    }
    return out;
}

} // namespace

std::string Decode(std::string_view text, bool isUtf8) {
    if (text.empty()) {
        return {};
    }
    std::string s(text);
    s = ReplaceAll(s, "=\r\n", "");
    s = ReplaceAll(s, Char(142), Char(0xE9));
    s = ReplaceAll(s, "&gt;", ">");
    s = ReplaceAll(s, "&quot;", "\"");
    s = ReplaceAll(s, "=C3=83=C2=A9", Char(0xE9));
    s = ReplaceAll(s, "\xC3\x83\xC2\xA9", Char(0xE9));
    if (isUtf8) {
        s = ReplaceAll(s, "=EF=BB=BF", "");
        s = ReplaceAll(s, "=E2=80=99", Char(146));
        s = ReplaceAll(s, "=E2=80=A2", Char(149));
        s = ReplaceAll(s, "\xC5\x93", Char(156));
        s = ReplaceAll(s, "\xE2\x82\xAC", Char(128));
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
        s = ReplaceAll(s, "=\r\n", "");
        s = ReplaceAll(s, "=20", " ");
        s = ReplaceAll(s, "=3D", "=");
        for (int n = 192; n <= 255; ++n) {
            s = ReplaceAll(s, "&#" + std::to_string(n) + ";", Char(n));
        }
        s = EscapedUtf8(s);
        s = RawUtf8(s);
    } else {
        s = ReplaceAll(s, "=09", " ");
        s = ReplaceAll(s, "=0A", " ");
        for (int n = 32; n <= 255; ++n) {
            const bool decoded = n <= 47 || (n >= 58 && n <= 64) || (n >= 91 && n <= 96) || n >= 123;
            if (decoded) {
                s = ReplaceAll(s, "=" + Hex(n), Char(n));
            }
        }
        s = ReplaceAll(s, "&#8217;", "'");
        s = ReplaceAll(s, "&#8217", "'");
        s = ReplaceAll(s, "&#8364;", Char(128));
        s = ReplaceAll(s, "&#8364", Char(128));
        s = ReplaceAll(s, "&euro;", Char(128));
        s = ReplaceAll(s, "&euro", Char(128));
    }
    return ReplaceAll(s, "\n", "\r\n");
}

std::string DecodeBase64(std::string_view text) {
    static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string s = ReplaceAll(text, "\r\n", "");
    s = ReplaceAll(s, "\t", "");
    s = ReplaceAll(s, " ", "");
    if (s.size() % 4 != 0) {
        return {};
    }
    std::string out;
    for (std::size_t g = 0; g < s.size(); g += 4) {
        int count = 3;
        long value = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            const char c = s[g + k];
            long digit = 0;
            if (c == '=') {
                --count;
            } else {
                const std::size_t pos = alphabet.find(c);
                if (pos == std::string::npos) {
                    return {};
                }
                digit = static_cast<long>(pos);
            }
            value = value * 64 + digit;
        }
        for (int k = 0; k < count; ++k) {
            out += Char(static_cast<int>((value >> (16 - 8 * k)) & 0xFF));
        }
    }
    while (!out.empty() && static_cast<unsigned char>(out.back()) < 32) {
        out.pop_back();
    }
    return out;
}

} // namespace glanmail::reference
