#pragma once
// Numbers read straight from a store's bytes. Every number in a store is little-endian;
// callers check that the bytes are there before they read them.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace glanmail::le {

inline std::uint32_t Byte(std::string_view bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]);
}

inline std::uint32_t U16(std::string_view bytes, std::size_t at) {
    return Byte(bytes, at) | Byte(bytes, at + 1) << 8;
}

// A 3-byte value, unsigned: a direct data offset may lie anywhere below 16 MiB.
inline std::uint32_t U24(std::string_view bytes, std::size_t at) {
    return U16(bytes, at) | Byte(bytes, at + 2) << 16;
}

inline std::uint32_t U32(std::string_view bytes, std::size_t at) {
    return U24(bytes, at) | Byte(bytes, at + 3) << 24;
}

// The number written by any run of little-endian bytes (none: 0), unsigned: every offset and
// count of a store lies below 4 GiB. Nothing when it is 2^32 or more, a value no store holds.
inline std::optional<std::uint32_t> Unsigned(std::string_view bytes) {
    std::uint64_t value = 0;
    for (std::size_t k = bytes.size(); k-- > 0;) {
        value = value * 256 + static_cast<unsigned char>(bytes[k]);
        if (value > 0xFFFFFFFFu) {
            return std::nullopt;
        }
    }
    return static_cast<std::uint32_t>(value);
}

// The number a marker stands for. With the top bit of its last byte set, that bit is dropped
// and the rest of the byte subtracted (not two's complement): a marker whose only difference
// from a node's offset below 2^24 is that bit still names the node, so a flag a writer may
// keep there does not make a sound node look damaged.
inline std::int64_t MarkerValue(std::uint32_t value) {
    const std::uint32_t top = value >> 24;
    if (top < 0x80) {
        return value;
    }
    return static_cast<std::int64_t>(value & 0xFFFFFFu) - static_cast<std::int64_t>(top - 0x80) * 0x1000000;
}

// Whether the marker read at the head of a node or object names offset: its own offset as it
// stands (anywhere below 4 GiB), or the number it stands for (a flag kept in the top bit).
inline bool MarkerNames(std::uint32_t marker, std::uint32_t offset) {
    return marker == offset || MarkerValue(marker) == static_cast<std::int64_t>(offset);
}

// Two upper-case hexadecimal digits per byte, in file order: CF AD 12 FE gives "CFAD12FE".
inline std::string HexText(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out.push_back(kDigits[b >> 4]);
        out.push_back(kDigits[b & 0xF]);
    }
    return out;
}

} // namespace glanmail::le
