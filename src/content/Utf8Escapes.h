#pragma once
// Recognising one well-formed UTF-8 character inside Windows-1252 text, either spelled as
// quoted-printable escapes ("=C3=A9") or as raw bytes.

#include <cstddef>
#include <string_view>

namespace glanmail::utf8 {

// Length of the run of "=XX" escapes at p that spells one well-formed UTF-8 character (a lead
// from C2 to F4 and its continuation bytes), with the character in cp; 0 when there is none.
std::size_t EscapedCharacterAt(std::string_view s, std::size_t p, char32_t& cp);

// Length of a raw well-formed three-byte character led by E2, or four-byte character led by F0,
// at p, with the character in cp; 0 when there is none.
std::size_t RawCharacterAt(std::string_view s, std::size_t p, char32_t& cp);

} // namespace glanmail::utf8
