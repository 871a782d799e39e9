#pragma once
// Header values written in encoded words ("=?iso-8859-1?Q?Assembl=E9e?=", "=?utf-8?B?...?="):
// the mail program stores a message's subject and sender already decoded, so a message found
// from its own header lines alone gets them decoded the same way.

#include <string>
#include <string_view>

namespace glanmail {

// The value with each well-formed encoded word replaced by its text in Windows-1252 (UTF-8
// through the Windows-1252 table, "?" where it has no byte; other charsets byte for byte), and
// the blanks between two encoded words dropped. Anything malformed stays as written.
std::string DecodeEncodedWords(std::string_view value);

// A header value as mail programs write it: unchanged when it is printable ASCII; otherwise
// Windows-1252 encoded words (quoted-printable form), folded so that no line passes 76
// characters. `used` is how much of the first line the header's name already takes.
std::string EncodeHeaderValue(std::string_view cp1252, std::size_t used);

} // namespace glanmail
