#pragma once
// The building blocks of the decoder's passes: byte tests that ignore letter case, escape
// reading, and one left-to-right replacement pass over a text.

#include "common/Text.h"

#include <array>
#include <cstring>
#include <string>
#include <string_view>

namespace glanmail::scan {

using Bytes = std::array<bool, 256>;

inline unsigned char At(std::string_view s, std::size_t p) {
    return static_cast<unsigned char>(s[p]);
}

inline unsigned char Fold(unsigned char c) {
    return text::kFoldTable[c];
}

inline char Ch(int n) {
    return static_cast<char>(static_cast<unsigned char>(n));
}

// Value of the two hexadecimal digits at p, or -1.
inline int HexPairAt(std::string_view s, std::size_t p) {
    if (p + 1 >= s.size()) {
        return -1;
    }
    const int hi = text::HexDigitValue(s[p]);
    const int lo = text::HexDigitValue(static_cast<char>(At(s, p + 1)));
    return hi < 0 || lo < 0 ? -1 : hi * 16 + lo;
}

// Value of the escape "=XY" at p, or -1.
inline int EscapeAt(std::string_view s, std::size_t p) {
    return p < s.size() && s[p] == '=' ? HexPairAt(s, p + 1) : -1;
}

// Does the text at p read foldedPattern, ignoring case?
inline bool MatchesAt(std::string_view s, std::size_t p, std::string_view foldedPattern) {
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

inline Bytes BytesOf(std::string_view chars) {
    Bytes t{};
    for (const char c : chars) {
        t[static_cast<unsigned char>(c)] = true;
    }
    return t;
}

// One left-to-right pass: at each position whose byte is a trigger, `match(s, p, out)` either
// appends a replacement and returns the number of bytes it consumed, or returns 0. The text is
// left as it is (no copy) when nothing matches; otherwise the result is built in `spare` and
// swapped in, so that passes reuse the two buffers.
template <typename Match> void Pass(std::string& s, std::string& spare, const Bytes& triggers, Match match) {
    const std::size_t n = s.size();
    std::string& out = spare;
    out.clear();
    std::string replacement;
    bool changed = false;
    std::size_t copied = 0; // s[copied, p) is still to be copied to out
    // Most passes start on one byte ("=", "&", LF): memchr then finds the candidates that are
    // not next to one another.
    int single = -1;
    for (int c = 0; c < 256; ++c) {
        if (triggers[static_cast<std::size_t>(c)]) {
            single = single == -1 ? c : -2;
        }
    }
    std::size_t p = 0;
    while (p < n) {
        if (!triggers[At(s, p)]) {
            if (single < 0) {
                ++p;
                continue;
            }
            const void* found = std::memchr(s.data() + p, single, n - p);
            if (found == nullptr) {
                break;
            }
            p = static_cast<std::size_t>(static_cast<const char*>(found) - s.data());
        }
        // Every pattern of the decoder that starts with "=" has a hexadecimal digit or a CR next,
        // so text made of "=" signs costs no call per sign.
        if (s[p] == '=' &&
            (p + 1 == n || (text::HexDigitValue(static_cast<char>(At(s, p + 1))) < 0 && s[p + 1] != '\r'))) {
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

} // namespace glanmail::scan
