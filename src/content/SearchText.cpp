#include "content/SearchText.h"

#include "common/Encoding.h"

#include <algorithm>
#include <array>
#include <functional>

namespace glanmail {
namespace {

bool IsBlank(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r') || c == 0xA0;
}

// The folded form of each Windows-1252 byte: letters lower-case and without accents, the
// ligatures and sharp s in two letters; every other byte as it is.
std::array<std::string, 256> FoldTable() {
    std::array<std::string, 256> t;
    for (int c = 0; c < 256; ++c) {
        t[static_cast<std::size_t>(c)] = std::string(1, static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c));
    }
    const auto set = [&](std::string_view bytes, const char* folded) {
        for (const char b : bytes) {
            t[static_cast<unsigned char>(b)] = folded;
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

} // namespace

std::string SearchFold(std::string_view text) {
    static const std::array<std::string, 256> kFold = FoldTable();
    std::string out;
    out.reserve(text.size());
    bool blank = true; // no blank at the start, and one for each run
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        char32_t cp = 0;
        if (const std::size_t n = c >= 0xC2 ? Utf8At(text, i, cp) : 0) {
            if (cp >= 0x300 && cp <= 0x36F) {
                i += n - 1; // a combining accent: the letter before it stands alone
                continue;
            }
            const char byte = encoding::ByteFor(cp);
            if (byte == '?') {
                out.append(text.substr(i, n)); // no Windows-1252 form: the bytes as they are
                i += n - 1;
                blank = false;
                continue;
            }
            c = static_cast<unsigned char>(byte);
            i += n - 1;
        }
        if (IsBlank(c)) {
            if (!blank) {
                out += ' ';
                blank = true;
            }
            continue;
        }
        out += kFold[c];
        blank = false;
    }
    if (!out.empty() && out.back() == ' ') {
        out.pop_back();
    }
    return out;
}

SearchPhrase::SearchPhrase(std::string_view typed) : folded_(SearchFold(typed)) {}

bool SearchPhrase::FoundIn(std::string_view text) const {
    return FoundInFolded(SearchFold(text));
}

bool SearchPhrase::FoundInFolded(std::string_view folded) const {
    if (folded_.empty()) {
        return false;
    }
    const std::boyer_moore_horspool_searcher searcher(folded_.begin(), folded_.end());
    return std::search(folded.begin(), folded.end(), searcher) != folded.end();
}

} // namespace glanmail
