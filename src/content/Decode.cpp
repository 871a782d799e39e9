// The decoder is defined as a fixed sequence of whole-string, case-insensitive replace-all rules,
// each working on the result of the one before (so an escape can be decoded twice). Running the
// several hundred rules one by one would rescan a large message hundreds of times; instead, rules
// whose replacements cannot feed one another are applied together in one pass, and the few places
// where one rule's output can form a match for a later rule of the same pass are handled exactly
// (see each pass). A pass whose trigger bytes do not occur costs one scan and no copy.
#include "content/Decode.h"

#include "common/Encoding.h"
#include "common/Text.h"
#include "content/DecodeScan.h"
#include "content/EscapeGroups.h"
#include "content/Utf8Escapes.h"

namespace glanmail {
namespace {

using scan::At;
using scan::Bytes;
using scan::BytesOf;
using scan::Ch;
using scan::EscapeAt;
using scan::Fold;
using scan::HexPairAt;
using scan::MatchesAt;
using scan::Pass;

// Removes every occurrence of a pattern (left to right, not rescanned).
void RemoveAll(std::string& s, std::string& spare, std::string_view foldedPattern) {
    Bytes triggers{};
    for (int c = 0; c < 256; ++c) {
        if (text::Fold(static_cast<unsigned char>(c)) == static_cast<unsigned char>(foldedPattern[0])) {
            triggers[static_cast<std::size_t>(c)] = true;
        }
    }
    Pass(s, spare, triggers, [&](std::string_view t, std::size_t p, std::string&) -> std::size_t {
        return MatchesAt(t, p, foldedPattern) ? foldedPattern.size() : 0;
    });
}

// ---- Rules for every text (after the soft line breaks are gone) ----

// Ž (and ž) to é, "&gt;", "&quot;", and the two spellings of é read twice as UTF-8. None of
// these outputs can be part of another of these patterns, and no two patterns can overlap, so
// applying them together gives the result of applying them one after the other.
void CommonRules(std::string& s, std::string& spare) {
    static const Bytes triggers = BytesOf("\x8E\x9E&=\xC3\xE3");
    Pass(s, spare, triggers, [](std::string_view t, std::size_t p, std::string& out) -> std::size_t {
        switch (At(t, p)) {
        case 0x8E:
        case 0x9E:
            out += '\xE9';
            return 1;
        case '&':
            if (MatchesAt(t, p, "&gt;")) {
                out += '>';
                return 4;
            }
            if (MatchesAt(t, p, "&quot;")) {
                out += '"';
                return 6;
            }
            return 0;
        case '=':
            if (MatchesAt(t, p, "=c3=83=c2=a9")) {
                out += '\xE9';
                return 12;
            }
            return 0;
        default: // Ã or ã
            if (MatchesAt(t, p, "\xE3\x83\xE2\xA9")) {
                out += '\xE9';
                return 4;
            }
            return 0;
        }
    });
}

// ---- Rules for text not marked UTF-8 ----

// Codes whose escape "=XX" the non-UTF-8 rules decode: signs, not digits nor letters.
bool DecodedSign(int n) {
    return (n >= 32 && n <= 47) || (n >= 58 && n <= 64) || (n >= 91 && n <= 96) || n >= 123;
}

// "=09" and "=0A" to a space, then "=XX" to its character for every sign, in increasing order.
// The only decoded character that can start a later escape is the "=" from "=3D": the two
// characters after it form a new escape, decoded when its code comes after 0x3D in that order
// ("=3D7B" gives "{", "=3D3D" stays "=3D"). Digits and letters are never produced.
void SignEscapes(std::string& s, std::string& spare) {
    static const Bytes triggers = BytesOf("=");
    Pass(s, spare, triggers, [](std::string_view t, std::size_t p, std::string& out) -> std::size_t {
        const int v = EscapeAt(t, p);
        if (v == 0x09 || v == 0x0A) {
            out += ' ';
            return 3;
        }
        if (v < 0 || !DecodedSign(v)) {
            return 0;
        }
        if (v == 0x3D) {
            const int w = HexPairAt(t, p + 3);
            if (w > 0x3D && DecodedSign(w)) {
                out += Ch(w);
                return 5;
            }
        }
        out += Ch(v);
        return 3;
    });
}

// "&#8217", "&#8364" and "&euro", each with a ";" that follows it.
void NumericQuoteAndEuro(std::string& s, std::string& spare) {
    static const Bytes triggers = BytesOf("&");
    Pass(s, spare, triggers, [](std::string_view t, std::size_t p, std::string& out) -> std::size_t {
        std::size_t used = 0;
        if (MatchesAt(t, p, "&#8217")) {
            out += '\'';
            used = 6;
        } else if (MatchesAt(t, p, "&#8364")) {
            out += '\x80';
            used = 6;
        } else if (MatchesAt(t, p, "&euro")) {
            out += '\x80';
            used = 5;
        } else {
            return 0;
        }
        if (p + used < t.size() && t[p + used] == ';') {
            ++used;
        }
        return used;
    });
}

// ---- Rules for text marked UTF-8 ----

// The two quoted-printable punctuation marks, œ and € as UTF-8 read as Windows-1252 (case
// folding makes "å“" and "Â‚¬" match too). Outputs are inert and the patterns cannot overlap.
void Utf8Punctuation(std::string& s, std::string& spare) {
    static const Bytes triggers = BytesOf("=\xC5\xE5\xC2\xE2");
    Pass(s, spare, triggers, [](std::string_view t, std::size_t p, std::string& out) -> std::size_t {
        const unsigned char c = At(t, p);
        if (c == '=') {
            if (MatchesAt(t, p, "=e2=80=99")) {
                out += '\x92';
                return 9;
            }
            if (MatchesAt(t, p, "=e2=80=a2")) {
                out += '\x95';
                return 9;
            }
            return 0;
        }
        if (Fold(c) == 0xE5) {
            if (MatchesAt(t, p, "\xE5\x93")) {
                out += '\x9C';
                return 2;
            }
            return 0;
        }
        if (MatchesAt(t, p, "\xE2\x82\xAC")) {
            out += '\x80';
            return 3;
        }
        return 0;
    });
}

// For n from 0x80 to 0xB0: "=C2=" hex(n) to n. The outputs are high bytes, which no pattern here
// holds, and the patterns cannot overlap.
void C2Escapes(std::string& s, std::string& spare) {
    static const Bytes triggers = BytesOf("=");
    Pass(s, spare, triggers, [](std::string_view t, std::size_t p, std::string& out) -> std::size_t {
        if (!MatchesAt(t, p, "=c2=")) {
            return 0;
        }
        const int v = HexPairAt(t, p + 4);
        if (v < 0x80 || v > 0xB0) {
            return 0;
        }
        out += Ch(v);
        return 6;
    });
}

// "=20" to a space, then "=3D" to "=". The "=" made by the second rule could only start a "=20",
// whose rule has already run, so one pass does both.
void SpaceAndEquals(std::string& s, std::string& spare) {
    static const Bytes triggers = BytesOf("=");
    Pass(s, spare, triggers, [](std::string_view t, std::size_t p, std::string& out) -> std::size_t {
        const int v = EscapeAt(t, p);
        if (v == 0x20) {
            out += ' ';
            return 3;
        }
        if (v == 0x3D) {
            out += '=';
            return 3;
        }
        return 0;
    });
}

// "&#192;" to "&#255;" to their character.
void DecimalLatin1References(std::string& s, std::string& spare) {
    static const Bytes triggers = BytesOf("&");
    Pass(s, spare, triggers, [](std::string_view t, std::size_t p, std::string& out) -> std::size_t {
        if (p + 6 > t.size() || t[p + 1] != '#' || t[p + 5] != ';') {
            return 0;
        }
        int v = 0;
        for (std::size_t k = 2; k < 5; ++k) {
            const unsigned char d = At(t, p + k);
            if (d < '0' || d > '9') {
                return 0;
            }
            v = v * 10 + (d - '0');
        }
        if (v < 192 || v > 255) {
            return 0;
        }
        out += Ch(v);
        return 6;
    });
}

// Escaped UTF-8 characters ("=E2=80=93") and raw three- and four-byte ones led by E2 and F0.
void Utf8Characters(std::string& s, std::string& spare) {
    static const Bytes escTriggers = BytesOf("=");
    Pass(s, spare, escTriggers, [](std::string_view t, std::size_t p, std::string& out) -> std::size_t {
        char32_t cp = 0;
        const std::size_t used = utf8::EscapedCharacterAt(t, p, cp);
        if (used != 0) {
            out += encoding::ByteFor(cp);
        }
        return used;
    });
    static const Bytes rawTriggers = BytesOf("\xE2\xF0");
    Pass(s, spare, rawTriggers, [](std::string_view t, std::size_t p, std::string& out) -> std::size_t {
        char32_t cp = 0;
        const std::size_t used = utf8::RawCharacterAt(t, p, cp);
        if (used != 0) {
            out += encoding::ByteFor(cp);
        }
        return used;
    });
}

// Last rule: every LF becomes CR LF.
void LineFeeds(std::string& s, std::string& spare) {
    static const Bytes triggers = BytesOf("\n");
    Pass(s, spare, triggers, [](std::string_view, std::size_t, std::string& out) -> std::size_t {
        out += "\r\n";
        return 1;
    });
}

} // namespace

std::string Decode(std::string_view text, bool isUtf8) {
    std::string s(text);
    DecodeInPlace(s, isUtf8);
    return s;
}

void DecodeInPlace(std::string& s, bool isUtf8) {
    if (s.empty()) {
        return;
    }
    std::string spare; // the other buffer of each pass, reused from pass to pass
    RemoveAll(s, spare, "=\r\n");
    CommonRules(s, spare);
    if (isUtf8) {
        RemoveAll(s, spare, "=ef=bb=bf");
        Utf8Punctuation(s, spare);
        escapes::ApplyLatin1Rules(s, spare);
        escapes::ApplyC1Rules(s, spare);
        C2Escapes(s, spare);
        RemoveAll(s, spare, "=\r\n");
        SpaceAndEquals(s, spare);
        DecimalLatin1References(s, spare);
        Utf8Characters(s, spare);
    } else {
        SignEscapes(s, spare);
        NumericQuoteAndEuro(s, spare);
    }
    LineFeeds(s, spare);
}

} // namespace glanmail
