// Base64 text to bytes, as mail bodies and parts carry it.
#include "content/Decode.h"

#include <array>

namespace glanmail {

namespace {

// The value of each base64 digit; 64 for the padding "=", -1 for what is no digit.
const std::array<int, 256>& Base64Digits() {
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
    return digits;
}

} // namespace

std::string DecodeBase64Lenient(std::string_view s) {
    const std::array<int, 256>& digits = Base64Digits();
    std::string out(s.size() / 4 * 3 + 3, '\0');
    char* w = out.data();
    const auto digit = [&digits, s](std::size_t i) { return digits[static_cast<unsigned char>(s[i])]; };
    unsigned bits = 0;
    int count = 0;
    for (std::size_t i = 0; i < s.size();) {
        // Four digits in a row at a byte boundary, most of every line: three bytes at once. A
        // value outside 0 to 63 (-1 for a stray character, 64 for padding) fails the test.
        if (count == 0 && i + 4 <= s.size()) {
            const int a = digit(i), b = digit(i + 1), c = digit(i + 2), d = digit(i + 3);
            if (static_cast<unsigned>(a | b | c | d) < 64) {
                const auto group = static_cast<unsigned>(a << 18 | b << 12 | c << 6 | d);
                *w++ = static_cast<char>(group >> 16);
                *w++ = static_cast<char>((group >> 8) & 0xFF);
                *w++ = static_cast<char>(group & 0xFF);
                i += 4;
                continue;
            }
        }
        const int v = digit(i++);
        if (v < 0 || v == 64) {
            continue; // line breaks, padding and stray characters
        }
        bits = (bits << 6) | static_cast<unsigned>(v);
        count += 6;
        if (count >= 8) {
            count -= 8;
            *w++ = static_cast<char>((bits >> count) & 0xFF);
        }
    }
    out.resize(static_cast<std::size_t>(w - out.data()));
    return out;
}

std::string DecodeBase64(std::string_view text) {
    const std::array<int, 256>& digits = Base64Digits();
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
