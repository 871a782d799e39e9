#pragma once
// The four conversions every field of a store goes through. Hexa8 and Hexa6 keep their
// peculiar handling of a set top bit (the rest of the top byte is subtracted, which is
// not two's complement): marker checks depend on it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace glanmail {

// Two upper-case hexadecimal digits per byte, in byte order: CF AD 12 FE gives "CFAD12FE".
std::string Hexa(std::string_view bytes);

// The number written by 8 (Hexa8) or 6 (Hexa6) hexadecimal digits of little-endian bytes.
// Missing or non-hexadecimal digits count as 0.
std::int32_t Hexa8(std::string_view hex);
std::int32_t Hexa6(std::string_view hex);

// Little-endian bytes to a number; nothing when the value is 2^31 or more (an overflow).
std::optional<std::int32_t> BytesToLong(std::string_view bytes);

} // namespace glanmail
