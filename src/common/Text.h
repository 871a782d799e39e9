#pragma once
// Text of the program is bytes: one Windows-1252 character per byte, kept in std::string.
// Every search, comparison and replacement of the program ignores letter case by
// Windows-1252 rules; these helpers are the one place that knows those rules.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace glanmail::text {

constexpr std::size_t npos = std::string_view::npos;

// Lower-case form of a Windows-1252 byte: ASCII letters, 0xC0-0xDE (not 0xD7) to 0xE0-0xFE,
// 0x8A/0x8C/0x8E to 0x9A/0x9C/0x9E, and 0x9F to 0xFF.
namespace detail {
constexpr std::array<unsigned char, 256> MakeFoldTable() {
    std::array<unsigned char, 256> t{};
    for (int c = 0; c < 256; ++c) {
        t[static_cast<std::size_t>(c)] = static_cast<unsigned char>(c);
    }
    for (int c = 'A'; c <= 'Z'; ++c) {
        t[static_cast<std::size_t>(c)] = static_cast<unsigned char>(c + 32);
    }
    for (int c = 0xC0; c <= 0xDE; ++c) {
        if (c != 0xD7) {
            t[static_cast<std::size_t>(c)] = static_cast<unsigned char>(c + 32);
        }
    }
    t[0x8A] = 0x9A;
    t[0x8C] = 0x9C;
    t[0x8E] = 0x9E;
    t[0x9F] = 0xFF;
    return t;
}

inline constexpr std::array<unsigned char, 256> kFold = MakeFoldTable();
} // namespace detail

// The folding as a table, for scanning loops that fold every byte.
inline constexpr const std::array<unsigned char, 256>& kFoldTable = detail::kFold;

inline unsigned char Fold(unsigned char c) {
    return detail::kFold[c];
}
inline char Fold(char c) {
    return static_cast<char>(Fold(static_cast<unsigned char>(c)));
}

// The whole text in lower-case form (same length, position for position).
std::string Folded(std::string_view s);

bool EqualsIgnoreCase(std::string_view a, std::string_view b);
// Byte order of the folded texts: <0, 0 or >0.
int CompareIgnoreCase(std::string_view a, std::string_view b);
bool StartsWithIgnoreCase(std::string_view s, std::string_view prefix);
bool EndsWithIgnoreCase(std::string_view s, std::string_view suffix);

// 0-based position of the first occurrence of needle at or after `from`, ignoring case; npos when none.
// An empty needle is found at `from` (when from <= size).
std::size_t Find(std::string_view hay, std::string_view needle, std::size_t from = 0);
// Same, for a needle that is already in folded form (saves folding it again in hot loops).
std::size_t FindFolded(std::string_view hay, std::string_view foldedNeedle, std::size_t from = 0);
// 0-based position of the last occurrence that ends at or before `end` (default: anywhere); npos when none.
std::size_t FindLast(std::string_view hay, std::string_view needle, std::size_t end = npos);
bool Contains(std::string_view hay, std::string_view needle);

// Replaces every occurrence of `from`, scanning left to right without overlap, ignoring case.
// The replacement text is not rescanned.
std::string ReplaceAll(std::string_view s, std::string_view from, std::string_view to);

// Value of a hexadecimal digit in either letter case, or -1. Inline: decoding asks it of
// every escaped byte.
inline int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    const char lower = static_cast<char>(c | 0x20);
    if (lower >= 'a' && lower <= 'f') {
        return lower - 'a' + 10;
    }
    return -1;
}

// The same replacement on s itself: no copy when nothing matches, and no new buffer when
// the replacement is not longer than what it replaces.
void ReplaceAllInPlace(std::string& s, std::string_view from, std::string_view to);

// Removes leading and trailing spaces (only the space character, as the program's trims do).
std::string_view TrimSpaces(std::string_view s);

} // namespace glanmail::text
