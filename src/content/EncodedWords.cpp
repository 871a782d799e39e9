#include "content/EncodedWords.h"

#include "common/Encoding.h"
#include "common/Text.h"
#include "content/Decode.h"

#include <algorithm>

namespace glanmail {
namespace {

// "_" is a space; "=XX" a byte; an "=" not followed by two hex digits stays.
std::string DecodeQ(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        const int hi = i + 2 < s.size() && s[i] == '=' ? text::HexDigitValue(s[i + 1]) : -1;
        const int lo = hi >= 0 ? text::HexDigitValue(s[i + 2]) : -1;
        if (lo >= 0) {
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
        } else {
            out += s[i] == '_' ? ' ' : s[i];
        }
    }
    return out;
}

struct Word {
    std::size_t end = 0; // just past "?="
    std::string text;    // decoded, Windows-1252
};

// The encoded word starting at at ("=?charset?Q|B?text?="), or nothing.
bool ReadWord(std::string_view s, std::size_t at, Word& word) {
    if (s.compare(at, 2, "=?") != 0) {
        return false;
    }
    const std::size_t q1 = s.find('?', at + 2);
    if (q1 == std::string_view::npos || q1 == at + 2 || q1 + 2 >= s.size() || s[q1 + 2] != '?') {
        return false;
    }
    const char kind = s[q1 + 1];
    const std::size_t close = s.find("?=", q1 + 3);
    if (close == std::string_view::npos || (kind != 'Q' && kind != 'q' && kind != 'B' && kind != 'b')) {
        return false;
    }
    const std::string_view charset = s.substr(at + 2, q1 - at - 2);
    const std::string_view body = s.substr(q1 + 3, close - q1 - 3);
    if (body.find_first_of(" \t") != std::string_view::npos) {
        return false; // an encoded word holds no blank
    }
    const std::string bytes = kind == 'Q' || kind == 'q' ? DecodeQ(body) : DecodeBase64(body);
    word.text = text::StartsWithIgnoreCase(charset, "utf-8") ? encoding::FromUtf8(bytes) : bytes;
    word.end = close + 2;
    return true;
}

} // namespace

std::string DecodeEncodedWords(std::string_view value) {
    if (value.find("=?") == std::string_view::npos) {
        return std::string(value);
    }
    std::string out;
    out.reserve(value.size());
    std::size_t i = 0;
    std::size_t afterWord = std::string_view::npos; // where the last encoded word ended
    while (i < value.size()) {
        Word word;
        if (ReadWord(value, i, word)) {
            if (afterWord != std::string_view::npos &&
                value.substr(afterWord, i - afterWord).find_first_not_of(" \t") == std::string_view::npos) {
                out.resize(out.size() - (i - afterWord)); // blanks between two encoded words
            }
            out += word.text;
            i = afterWord = word.end;
            continue;
        }
        out += value[i];
        ++i;
        if (afterWord != std::string_view::npos && value[i - 1] != ' ' && value[i - 1] != '\t') {
            afterWord = std::string_view::npos;
        }
    }
    return out;
}

std::string EncodeHeaderValue(std::string_view cp1252, std::size_t used) {
    const bool plain = std::all_of(cp1252.begin(), cp1252.end(), [](char c) { return c >= ' ' && c <= '~'; });
    if (plain) {
        return std::string(cp1252);
    }
    static constexpr std::string_view kOpen = "=?windows-1252?Q?";
    static constexpr std::string_view kClose = "?=";
    static constexpr std::size_t kLine = 76;
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    std::string word(kOpen);
    std::size_t room = kLine > used + 1 ? kLine - used - 1 : 0; // the line so far and the blank before the value
    for (const char ch : cp1252) {
        const auto c = static_cast<unsigned char>(ch);
        std::string piece;
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '!' || c == '*' ||
            c == '+' || c == '-' || c == '/') {
            piece = std::string(1, ch);
        } else if (c == ' ') {
            piece = "_";
        } else {
            piece = {'=', kHex[c >> 4], kHex[c & 15]};
        }
        // A word that would pass the line's end is closed, and the next one begins on a
        // folded line (a line break and a blank).
        if (word.size() > kOpen.size() && word.size() + piece.size() + kClose.size() > room) {
            out += word;
            out += kClose;
            out += "\r\n ";
            word = std::string(kOpen);
            room = kLine - 1;
        }
        word += piece;
    }
    return out + word + std::string(kClose);
}

} // namespace glanmail
