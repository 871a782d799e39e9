#include "content/Utf8Escapes.h"

#include "common/Text.h"

namespace glanmail::utf8 {
namespace {

int EscapeAt(std::string_view s, std::size_t p) {
    if (p + 2 >= s.size() || s[p] != '=') {
        return -1;
    }
    const int hi = text::HexDigitValue(s[p + 1]);
    const int lo = text::HexDigitValue(s[p + 2]);
    return hi < 0 || lo < 0 ? -1 : hi * 16 + lo;
}

// What a lead byte asks for: the number of continuation bytes, the allowed range of the first
// of them (narrower after E0, ED, F0 and F4, which rules out overlong forms and surrogates), and
// the bits the lead carries. 0 continuation bytes: not a lead.
struct Lead {
    int continuations = 0;
    int low = 0x80;
    int high = 0xBF;
    char32_t bits = 0;
};

Lead LeadOf(int b) {
    if (b >= 0xC2 && b <= 0xDF) {
        return {1, 0x80, 0xBF, static_cast<char32_t>(b & 0x1F)};
    }
    if (b >= 0xE0 && b <= 0xEF) {
        return {2, b == 0xE0 ? 0xA0 : 0x80, b == 0xED ? 0x9F : 0xBF, static_cast<char32_t>(b & 0x0F)};
    }
    if (b >= 0xF0 && b <= 0xF4) {
        return {3, b == 0xF0 ? 0x90 : 0x80, b == 0xF4 ? 0x8F : 0xBF, static_cast<char32_t>(b & 0x07)};
    }
    return {};
}

// Reads a character whose bytes come from byteAt(k), k = 0, 1, ...; byteAt gives -1 past the end.
template <typename ByteAt> bool ReadCharacter(ByteAt byteAt, int& count, char32_t& cp) {
    const Lead lead = LeadOf(byteAt(0));
    if (lead.continuations == 0) {
        return false;
    }
    char32_t value = lead.bits;
    for (int k = 1; k <= lead.continuations; ++k) {
        const int b = byteAt(k);
        const int low = k == 1 ? lead.low : 0x80;
        const int high = k == 1 ? lead.high : 0xBF;
        if (b < low || b > high) {
            return false;
        }
        value = value * 64 + static_cast<char32_t>(b & 0x3F);
    }
    count = lead.continuations + 1;
    cp = value;
    return true;
}

} // namespace

std::size_t EscapedCharacterAt(std::string_view s, std::size_t p, char32_t& cp) {
    int count = 0;
    const auto byteAt = [&](int k) { return EscapeAt(s, p + 3 * static_cast<std::size_t>(k)); };
    return ReadCharacter(byteAt, count, cp) ? 3 * static_cast<std::size_t>(count) : 0;
}

std::size_t RawCharacterAt(std::string_view s, std::size_t p, char32_t& cp) {
    if (p >= s.size()) {
        return 0;
    }
    const auto lead = static_cast<unsigned char>(s[p]);
    if (lead != 0xE2 && lead != 0xF0) {
        return 0;
    }
    int count = 0;
    const auto byteAt = [&](int k) {
        const std::size_t q = p + static_cast<std::size_t>(k);
        return q < s.size() ? static_cast<int>(static_cast<unsigned char>(s[q])) : -1;
    };
    return ReadCharacter(byteAt, count, cp) ? static_cast<std::size_t>(count) : 0;
}

} // namespace glanmail::utf8
