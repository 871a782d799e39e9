#include "common/Text.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace glanmail::text {
namespace {

using detail::kFold;

// The bytes whose folded form is a given byte: at most two (a letter's two cases), -1 for none.
struct Forms {
    int first = -1;
    int second = -1;
};

constexpr std::array<Forms, 256> MakeFormsTable() {
    std::array<Forms, 256> t{};
    for (int c = 0; c < 256; ++c) {
        Forms& f = t[kFold[static_cast<std::size_t>(c)]];
        if (f.first < 0) {
            f.first = c;
        } else {
            f.second = c;
        }
    }
    return t;
}

constexpr std::array<Forms, 256> kForms = MakeFormsTable();

} // namespace

std::string Folded(std::string_view s) {
    std::string out(s.size(), '\0');
    for (std::size_t i = 0; i < s.size(); ++i) {
        out[i] = static_cast<char>(kFold[static_cast<unsigned char>(s[i])]);
    }
    return out;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CompareIgnoreCase(a, b) == 0;
}

int CompareIgnoreCase(std::string_view a, std::string_view b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const int x = kFold[static_cast<unsigned char>(a[i])];
        const int y = kFold[static_cast<unsigned char>(b[i])];
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    if (a.size() == b.size()) {
        return 0;
    }
    return a.size() < b.size() ? -1 : 1;
}

bool StartsWithIgnoreCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && EqualsIgnoreCase(s.substr(0, prefix.size()), prefix);
}

bool EndsWithIgnoreCase(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && EqualsIgnoreCase(s.substr(s.size() - suffix.size()), suffix);
}

namespace {

// Next position from `from` to `last` (both included) that holds byte c; npos when none.
std::size_t NextByte(std::string_view hay, int c, std::size_t from, std::size_t last) {
    if (c < 0 || from > last) {
        return npos;
    }
    if (hay[from] == static_cast<char>(c)) {
        return from; // text dense with the byte: no library call for each of them
    }
    const void* hit = std::memchr(hay.data() + from, c, last - from + 1);
    return hit == nullptr ? npos : static_cast<std::size_t>(static_cast<const char*>(hit) - hay.data());
}

bool MatchesFoldedAt(std::string_view hay, std::size_t at, std::string_view foldedNeedle) {
    for (std::size_t k = 1; k < foldedNeedle.size(); ++k) {
        if (kFold[static_cast<unsigned char>(hay[at + k])] != static_cast<unsigned char>(foldedNeedle[k])) {
            return false;
        }
    }
    return true;
}

} // namespace

std::size_t FindFolded(std::string_view hay, std::string_view foldedNeedle, std::size_t from) {
    const std::size_t n = foldedNeedle.size();
    if (from > hay.size() || n > hay.size() - from) {
        return npos;
    }
    if (n == 0) {
        return from;
    }
    // The needle's first byte is found in either of its (at most two) forms with memchr,
    // keeping the next occurrence of each, so the scan stays as fast as memchr.
    const auto first = static_cast<unsigned char>(foldedNeedle[0]);
    const int formA = kForms[first].first;
    const int formB = kForms[first].second;
    const std::size_t last = hay.size() - n;
    std::size_t nextA = NextByte(hay, formA, from, last);
    std::size_t nextB = NextByte(hay, formB, from, last);
    for (;;) {
        const std::size_t i = std::min(nextA, nextB);
        if (i == npos) {
            return npos;
        }
        if (MatchesFoldedAt(hay, i, foldedNeedle)) {
            return i;
        }
        if (i == nextA) {
            nextA = NextByte(hay, formA, i + 1, last);
        } else {
            nextB = NextByte(hay, formB, i + 1, last);
        }
    }
}

std::size_t Find(std::string_view hay, std::string_view needle, std::size_t from) {
    return FindFolded(hay, Folded(needle), from);
}

std::size_t FindLast(std::string_view hay, std::string_view needle, std::size_t end) {
    const std::size_t n = needle.size();
    if (end > hay.size()) {
        end = hay.size();
    }
    if (n > end) {
        return npos;
    }
    const std::string folded = Folded(needle);
    for (std::size_t i = end - n + 1; i-- > 0;) {
        std::size_t k = 0;
        while (k < n && kFold[static_cast<unsigned char>(hay[i + k])] == static_cast<unsigned char>(folded[k])) {
            ++k;
        }
        if (k == n) {
            return i;
        }
    }
    return npos;
}

bool Contains(std::string_view hay, std::string_view needle) {
    return Find(hay, needle) != npos;
}

std::string ReplaceAll(std::string_view s, std::string_view from, std::string_view to) {
    if (from.empty()) {
        return std::string(s);
    }
    const std::string folded = Folded(from);
    std::size_t pos = FindFolded(s, folded, 0);
    if (pos == npos) {
        return std::string(s);
    }
    std::string out;
    out.reserve(s.size());
    std::size_t start = 0;
    while (pos != npos) {
        out.append(s.substr(start, pos - start));
        out.append(to);
        start = pos + from.size();
        pos = FindFolded(s, folded, start);
    }
    out.append(s.substr(start));
    return out;
}

void ReplaceAllInPlace(std::string& s, std::string_view from, std::string_view to) {
    if (from.empty()) {
        return;
    }
    const std::string folded = Folded(from);
    std::size_t pos = FindFolded(s, folded, 0);
    if (pos == npos) {
        return;
    }
    if (to.size() > from.size()) {
        s = ReplaceAll(s, from, to);
        return;
    }
    // Compact in place: the written end never passes the read position.
    std::size_t write = pos;
    std::size_t read = pos;
    char* const data = s.data();
    while (pos != npos) {
        std::memmove(data + write, data + read, pos - read);
        write += pos - read;
        std::memcpy(data + write, to.data(), to.size());
        write += to.size();
        read = pos + from.size();
        pos = FindFolded(s, folded, read);
    }
    std::memmove(data + write, data + read, s.size() - read);
    s.resize(write + s.size() - read);
}

std::string_view TrimSpaces(std::string_view s) {
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && s[b] == ' ') {
        ++b;
    }
    while (e > b && s[e - 1] == ' ') {
        --e;
    }
    return s.substr(b, e - b);
}

} // namespace glanmail::text
