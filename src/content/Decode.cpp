// The decoder is defined as a fixed sequence of whole-string, case-insensitive replace-all rules,
// each working on the result of the one before (so an escape can be decoded twice). Running the
// several hundred rules one by one would rescan a large message hundreds of times; instead, rules
// whose replacements cannot feed one another are applied together in one pass, and the few places
// where one rule's output can form a match for a later rule of the same pass are handled exactly
// (see each pass). A pass whose trigger bytes do not occur costs one scan and no copy.
#include "content/Decode.h"

#include "common/Encoding.h"
#include "common/Text.h"
#include "content/Utf8Escapes.h"

#include <array>
#include <cstring>
#include <vector>

namespace glanmail {
namespace {

using Bytes = std::array<bool, 256>;

unsigned char At(std::string_view s, std::size_t p) {
    return static_cast<unsigned char>(s[p]);
}

const std::array<unsigned char, 256>& kFold = text::kFoldTable;
unsigned char Fold(unsigned char c) {
    return kFold[c];
}
char Ch(int n) {
    return static_cast<char>(static_cast<unsigned char>(n));
}

// Value of the two hexadecimal digits at p, or -1.
int HexPairAt(std::string_view s, std::size_t p) {
    if (p + 1 >= s.size()) {
        return -1;
    }
    const int hi = text::HexDigitValue(static_cast<char>(At(s, p)));
    const int lo = text::HexDigitValue(static_cast<char>(At(s, p + 1)));
    return hi < 0 || lo < 0 ? -1 : hi * 16 + lo;
}

// Value of the escape "=XY" at p, or -1.
int EscapeAt(std::string_view s, std::size_t p) {
    return p < s.size() && s[p] == '=' ? HexPairAt(s, p + 1) : -1;
}

// Does the text at p read foldedPattern, ignoring case?
bool MatchesAt(std::string_view s, std::size_t p, std::string_view foldedPattern) {
    if (p > s.size() || foldedPattern.size() > s.size() - p) {
        return false;
    }
    for (std::size_t k = 0; k < foldedPattern.size(); ++k) {
        if (Fold(At(s, p + k)) != static_cast<unsigned char>(foldedPattern[k])) {
            return false;
        }
    }
    return true;
}

Bytes BytesOf(std::string_view chars) {
    Bytes t{};
    for (const char c : chars) {
        t[static_cast<unsigned char>(c)] = true;
    }
    return t;
}

// One left-to-right pass: at each position whose byte is a trigger, `match(s, p, out)` either
// appends a replacement and returns the number of bytes it consumed, or returns 0. Returns the
// text unchanged (no copy) when nothing matches.
template <typename Match> void Pass(std::string& s, std::string& spare, const Bytes& triggers, Match match) {
    const std::size_t n = s.size();
    std::string& out = spare;
    out.clear();
    std::string replacement;
    bool changed = false;
    std::size_t copied = 0; // s[copied, p) is still to be copied to out
    // Most passes start on one byte ("=", "&", LF): memchr then finds the candidates.
    int single = -1;
    for (int c = 0; c < 256; ++c) {
        if (triggers[static_cast<std::size_t>(c)]) {
            single = single == -1 ? c : -2;
        }
    }
    std::size_t p = 0;
    while (p < n) {
        if (single >= 0) {
            const void* found = std::memchr(s.data() + p, single, n - p);
            if (found == nullptr) {
                break;
            }
            p = static_cast<std::size_t>(static_cast<const char*>(found) - s.data());
        } else if (!triggers[At(s, p)]) {
            ++p;
            continue;
        }
        replacement.clear();
        const std::size_t used = match(std::string_view(s), p, replacement);
        if (used == 0) {
            ++p;
            continue;
        }
        if (!changed) {
            out.reserve(n + n / 16);
            changed = true;
        }
        out.append(s, copied, p - copied);
        out += replacement;
        p += used;
        copied = p;
    }
    if (changed) {
        out.append(s, copied, n - copied);
        s.swap(out);
    }
}

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

// A group of rules applied in order, of which a few outputs can feed later rules of the group.
// No match of the group can contain a byte outside `alphabet` (every byte of every pattern, in
// both cases), and such bytes are never changed, so each maximal run of alphabet bytes is
// rewritten on its own. A run whose matches all produce bytes outside the alphabet is rewritten
// in one go (the matches of these groups never overlap); a run where some match produces an
// alphabet byte gets the rules one by one, literally.
struct RuleGroup {
    struct Rule {
        std::string foldedPattern;
        char output;
    };
    Bytes alphabet{};
    Bytes triggers{};
    std::vector<Rule> rules;
    // Length of the first rule's match at p, with its output, or 0.
    std::size_t (*firstMatch)(std::string_view, std::size_t, char&);
};

void RewriteRunLiterally(const RuleGroup& group, std::string& run) {
    for (const auto& rule : group.rules) {
        if (text::FindFolded(run, rule.foldedPattern) != text::npos) {
            run = text::ReplaceAll(run, rule.foldedPattern, std::string_view(&rule.output, 1));
        }
    }
}

// Does some match of the group produce a byte of its alphabet (so that it may feed a later rule)?
bool FeedsItself(std::string_view s, const RuleGroup& group) {
    for (std::size_t p = 0; p < s.size(); ++p) {
        char c = 0;
        if (group.triggers[At(s, p)] && group.firstMatch(s, p, c) != 0 &&
            group.alphabet[static_cast<unsigned char>(c)]) {
            return true;
        }
    }
    return false;
}

void ApplyGroup(std::string& s, std::string& spare, const RuleGroup& group) {
    if (!FeedsItself(s, group)) {
        // The usual case: every match is replaced in one go.
        Pass(s, spare, group.triggers, [&](std::string_view t, std::size_t p, std::string& out) -> std::size_t {
            char c = 0;
            const std::size_t used = group.firstMatch(t, p, c);
            if (used != 0) {
                out += c;
            }
            return used;
        });
        return;
    }
    const std::size_t n = s.size();
    std::size_t p = 0;
    char unused = 0;
    while (p < n && !(group.triggers[At(s, p)] && group.firstMatch(s, p, unused) != 0)) {
        ++p;
    }
    if (p == n) {
        return;
    }
    // Start at the beginning of the run holding the first match.
    std::size_t runStart = p;
    while (runStart > 0 && group.alphabet[At(s, runStart - 1)]) {
        --runStart;
    }
    std::string& out = spare;
    out.clear();
    out.reserve(n);
    out.append(s, 0, runStart);
    p = runStart;
    while (p < n) {
        if (!group.alphabet[At(s, p)]) {
            const std::size_t start = p;
            while (p < n && !group.alphabet[At(s, p)]) {
                ++p;
            }
            out.append(s, start, p - start);
            continue;
        }
        const std::size_t start = p;
        const std::size_t outStart = out.size();
        bool literal = false;
        while (p < n && group.alphabet[At(s, p)]) {
            char c = 0;
            const std::size_t used = group.triggers[At(s, p)] ? group.firstMatch(s, p, c) : 0;
            if (used == 0) {
                out += s[p];
                ++p;
                continue;
            }
            if (group.alphabet[static_cast<unsigned char>(c)]) {
                literal = true;
            }
            out += c;
            p += used;
        }
        if (literal) {
            std::string run = s.substr(start, p - start);
            RewriteRunLiterally(group, run);
            out.resize(outStart);
            out += run;
        }
    }
    s.swap(out);
}

// For n from 0x80 to 0xBF: "=C0=" hex(n) to n - 0x80, "=C3=" hex(n) to n + 0x40, and Ã (or ã)
// followed by n to n + 0x40. Case folding makes Ã followed by š match the rule of Š (0x8A) and Ã
// followed by ÿ the rule of Ÿ (0x9F); the earlier code wins.
std::size_t FirstLatin1Match(std::string_view t, std::size_t p, char& out) {
    const unsigned char c = At(t, p);
    if (c == '=') {
        if (p + 6 > t.size() || t[p + 3] != '=' || Fold(At(t, p + 1)) != 'c') {
            return 0;
        }
        const int v = HexPairAt(t, p + 4);
        if (v < 0x80 || v > 0xBF) {
            return 0;
        }
        if (t[p + 2] == '0') {
            out = Ch(v - 0x80);
            return 6;
        }
        if (t[p + 2] == '3') {
            out = Ch(v + 0x40);
            return 6;
        }
        return 0;
    }
    if (p + 1 >= t.size()) {
        return 0;
    }
    int b = At(t, p + 1);
    if (b == 0x9A || b == 0x9C || b == 0x9E) {
        b -= 0x10;
    } else if (b == 0xFF) {
        b = 0x9F;
    }
    if (b < 0x80 || b > 0xBF) {
        return 0;
    }
    out = Ch(b + 0x40);
    return 2;
}

std::string HexText(int n) {
    static const char digits[] = "0123456789abcdef";
    return {digits[n / 16], digits[n % 16]};
}

const RuleGroup& Latin1Group() {
    static const RuleGroup group = [] {
        RuleGroup g;
        g.alphabet = BytesOf("=0123456789ABCDEFabcdef\xC3\xE3\xFF");
        for (int c = 0x80; c <= 0xBF; ++c) {
            g.alphabet[static_cast<std::size_t>(c)] = true;
        }
        g.triggers = BytesOf("=\xC3\xE3");
        for (int n = 0x80; n <= 0xBF; ++n) {
            g.rules.push_back({"=c0=" + HexText(n), Ch(n - 0x80)});
            g.rules.push_back({"=c3=" + HexText(n), Ch(n + 0x40)});
            g.rules.push_back(
                {std::string{'\xE3', static_cast<char>(text::Fold(static_cast<unsigned char>(n)))}, Ch(n + 0x40)});
        }
        g.firstMatch = FirstLatin1Match;
        return g;
    }();
    return group;
}

// For n from 0x80 to 0x9F: "=C1=" hex(n) to n - 0x40 (capital letters and a few signs).
std::size_t FirstC1Match(std::string_view t, std::size_t p, char& out) {
    if (!MatchesAt(t, p, "=c1=")) {
        return 0;
    }
    const int v = HexPairAt(t, p + 4);
    if (v < 0x80 || v > 0x9F) {
        return 0;
    }
    out = Ch(v - 0x40);
    return 6;
}

const RuleGroup& C1Group() {
    static const RuleGroup group = [] {
        RuleGroup g;
        g.alphabet = BytesOf("=0123456789ABCDEFabcdef");
        g.triggers = BytesOf("=");
        for (int n = 0x80; n <= 0x9F; ++n) {
            g.rules.push_back({"=c1=" + HexText(n), Ch(n - 0x40)});
        }
        g.firstMatch = FirstC1Match;
        return g;
    }();
    return group;
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
    if (s.empty()) {
        return s;
    }
    std::string spare; // the other buffer of each pass, reused from pass to pass
    RemoveAll(s, spare, "=\r\n");
    CommonRules(s, spare);
    if (isUtf8) {
        RemoveAll(s, spare, "=ef=bb=bf");
        Utf8Punctuation(s, spare);
        ApplyGroup(s, spare, Latin1Group());
        ApplyGroup(s, spare, C1Group());
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
    return s;
}

std::string DecodeBase64(std::string_view text) {
    static const std::array<int, 256> digits = [] {
        std::array<int, 256> d{};
        d.fill(-1);
        const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        for (int i = 0; i < 64; ++i) {
            d[static_cast<unsigned char>(alphabet[i])] = i;
        }
        d['='] = 64;
        return d;
    }();
    // Line breaks (CR LF), tabs and spaces are layout. A CR or LF not in a pair is not in the
    // alphabet, which makes the text not base64, whatever else stands around it.
    std::string clean;
    clean.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            ++i;
        } else if (c != '\t' && c != ' ') {
            clean += c;
        }
    }
    if (clean.size() % 4 != 0) {
        return {};
    }
    std::string out;
    out.reserve(clean.size() / 4 * 3);
    for (std::size_t g = 0; g < clean.size(); g += 4) {
        int count = 3;
        unsigned long value = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            int digit = digits[static_cast<unsigned char>(clean[g + k])];
            if (digit < 0) {
                return {};
            }
            if (digit == 64) {
                --count;
                digit = 0;
            }
            value = value * 64 + static_cast<unsigned long>(digit);
        }
        // Each "=" stands for one byte less; a group of four "=" stands for none.
        for (int k = 0; k < count; ++k) {
            out += static_cast<char>((value >> (16 - 8 * k)) & 0xFF);
        }
    }
    while (!out.empty() && static_cast<unsigned char>(out.back()) < 32) {
        out.pop_back();
    }
    return out;
}

} // namespace glanmail
