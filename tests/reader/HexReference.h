#pragma once
// Numbers of a store read through their hexadecimal text, digit by digit: the plain form that
// the direct little-endian reads must agree with. Tests only.

#include "common/Text.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace glanmail::testing::hex {

inline constexpr char kDigits[] = "0123456789ABCDEF";

inline std::int32_t Digit(std::string_view hex, std::size_t pos) {
    if (pos >= hex.size()) {
        return 0;
    }
    // A missing or bad digit counts as 0, as a short read yields missing digits.
    const int value = text::HexDigitValue(hex[pos]);
    return value < 0 ? 0 : value;
}

// The byte written by the two digits at 0-based pos.
inline std::int32_t Byte(std::string_view hex, std::size_t pos) {
    return Digit(hex, pos) * 16 + Digit(hex, pos + 1);
}

// The top byte: with its high bit set, minus the rest of it.
inline std::int32_t Top(std::string_view hex, std::size_t pos) {
    const std::int32_t hi = Digit(hex, pos);
    const std::int32_t lo = Digit(hex, pos + 1);
    return hi >= 8 ? -((hi - 8) * 16 + lo) : hi * 16 + lo;
}

inline std::string Hexa(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out.push_back(kDigits[b / 16]);
        out.push_back(kDigits[b % 16]);
    }
    return out;
}

inline std::int32_t Hexa8(std::string_view hex) {
    return ((Top(hex, 6) * 256 + Byte(hex, 4)) * 256 + Byte(hex, 2)) * 256 + Byte(hex, 0);
}

inline std::int32_t Hexa6(std::string_view hex) {
    return (Top(hex, 4) * 256 + Byte(hex, 2)) * 256 + Byte(hex, 0);
}

inline std::optional<std::int32_t> BytesToLong(std::string_view bytes) {
    std::uint64_t value = 0;
    for (std::size_t k = bytes.size(); k-- > 0;) {
        value = value * 256 + static_cast<unsigned char>(bytes[k]);
        if (value > 0x7FFFFFFF) {
            return std::nullopt;
        }
    }
    return static_cast<std::int32_t>(value);
}

} // namespace glanmail::testing::hex
