#include "content/SearchText.h"

#include "common/Encoding.h"

#include <array>

namespace glanmail {
namespace {

// The folded form of a Windows-1252 byte: one or two letters.
struct Folded {
    char c[2];
    unsigned char n;
};

// Letters lower-case and without accents, the ligatures and sharp s in two letters; every
// other byte as it is.
std::array<Folded, 256> FoldTable() {
    std::array<Folded, 256> t{};
    for (int c = 0; c < 256; ++c) {
        t[static_cast<std::size_t>(c)] = {{static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c), 0}, 1};
    }
    const auto set = [&](std::string_view bytes, std::string_view folded) {
        for (const char b : bytes) {
            Folded& f = t[static_cast<unsigned char>(b)];
            f.c[0] = folded[0];
            f.c[1] = folded.size() > 1 ? folded[1] : '\0';
            f.n = static_cast<unsigned char>(folded.size());
        }
    };
    set("\xC0\xC1\xC2\xC3\xC4\xC5\xE0\xE1\xE2\xE3\xE4\xE5\xAA", "a");
    set("\xC6\xE6", "ae");
    set("\xC7\xE7", "c");
    set("\xD0\xF0", "d");
    set("\xC8\xC9\xCA\xCB\xE8\xE9\xEA\xEB", "e");
    set("\xCC\xCD\xCE\xCF\xEC\xED\xEE\xEF", "i");
    set("\xD1\xF1", "n");
    set("\xD2\xD3\xD4\xD5\xD6\xD8\xF2\xF3\xF4\xF5\xF6\xF8\xBA", "o");
    set("\x8C\x9C", "oe");
    set("\x8A\x9A", "s");
    set("\xDF", "ss");
    set("\xDE\xFE", "th");
    set("\xD9\xDA\xDB\xDC\xF9\xFA\xFB\xFC", "u");
    set("\xDD\xFD\xFF\x9F", "y");
    set("\x8E\x9E", "z");
    for (const unsigned char blank : {' ', '\t', '\n', '\v', '\f', '\r', '\xA0'}) {
        t[blank] = {{' ', 0}, 0}; // a blank: n = 0 marks it
    }
    return t;
}

// The length of the valid UTF-8 sequence of two or three bytes at s[i], with its code point;
// 0 when there is none (four-byte characters have no Windows-1252 form and stay bytes).
std::size_t Utf8At(std::string_view s, std::size_t i, char32_t& cp) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const auto more = [&](std::size_t k) { return k < s.size() && (b(k) & 0xC0) == 0x80; };
    const unsigned char c = b(i);
    if (c >= 0xC2 && c <= 0xDF && more(i + 1)) {
        cp = (char32_t(c & 0x1F) << 6) | (b(i + 1) & 0x3F);
        return 2;
    }
    if (c >= 0xE0 && c <= 0xEF && more(i + 1) && more(i + 2)) {
        cp = (char32_t(c & 0x0F) << 12) | (char32_t(b(i + 1) & 0x3F) << 6) | (b(i + 2) & 0x3F);
        const bool overlong = cp < 0x800, surrogate = cp >= 0xD800 && cp <= 0xDFFF;
        return overlong || surrogate ? 0 : 3;
    }
    return 0;
}

// The folded byte of each byte that folds to one byte and can begin no UTF-8 sequence; 0 for
// the others (blanks, ligatures, lead bytes), which take the longer way.
std::array<unsigned char, 256> OneByteTable(const std::array<Folded, 256>& fold) {
    std::array<unsigned char, 256> t{};
    for (std::size_t c = 1; c < 256; ++c) {
        const bool lead = c >= 0xC2 && c <= 0xEF;
        t[c] = fold[c].n == 1 && !lead ? static_cast<unsigned char>(fold[c].c[0]) : 0;
    }
    return t;
}

} // namespace

std::size_t SearchFoldInto(std::string_view text, std::string& out) {
    static const std::array<Folded, 256> kFold = FoldTable();
    static const std::array<unsigned char, 256> kOneByte = OneByteTable(kFold);
    if (out.size() < text.size() * 2) {
        out.resize(text.size() * 2); // at most two letters a byte; the room is kept for the next text
    }
    char* const begin = out.data();
    char* p = begin;
    bool blank = true; // no blank at the start, and one for each run
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            // ASCII, the most of any text, without a branch on what the byte is: a blank is
            // written as a space but kept only after something that is not one.
            const unsigned char one = kOneByte[c];
            const bool isBlank = one == 0;
            *p = isBlank ? ' ' : static_cast<char>(one);
            p += !(isBlank && blank);
            blank = isBlank;
            continue;
        }
        if (const unsigned char one = kOneByte[c]) {
            *p++ = static_cast<char>(one);
            blank = false;
            continue;
        }
        char32_t cp = 0;
        if (const std::size_t n = c >= 0xC2 ? Utf8At(text, i, cp) : 0) {
            i += n - 1;
            if (cp >= 0x300 && cp <= 0x36F) {
                continue; // a combining accent: the letter before it stands alone
            }
            const char byte = encoding::ByteFor(cp);
            if (byte == '?') {
                for (std::size_t k = i + 1 - n; k <= i; ++k) {
                    *p++ = text[k]; // no Windows-1252 form: the bytes as they are
                }
                blank = false;
                continue;
            }
            c = static_cast<unsigned char>(byte);
        }
        const Folded& f = kFold[c];
        if (f.n == 0) {
            if (!blank) {
                *p++ = ' ';
                blank = true;
            }
            continue;
        }
        *p++ = f.c[0];
        if (f.n == 2) {
            *p++ = f.c[1];
        }
        blank = false;
    }
    if (p != begin && p[-1] == ' ') {
        --p;
    }
    return static_cast<std::size_t>(p - begin);
}

std::string SearchFold(std::string_view text) {
    std::string out;
    out.resize(SearchFoldInto(text, out));
    return out;
}

SearchPhrase::SearchPhrase(std::string_view typed) : folded_(SearchFold(typed)) {}

bool SearchPhrase::FoundIn(std::string_view text) const {
    thread_local std::string folded; // one buffer a thread, kept from one text to the next
    const std::size_t length = SearchFoldInto(text, folded);
    return FoundInFolded(std::string_view(folded.data(), length));
}

bool SearchPhrase::FoundInFolded(std::string_view folded) const {
    return !folded_.empty() && folded.find(folded_) != std::string_view::npos;
}

} // namespace glanmail
