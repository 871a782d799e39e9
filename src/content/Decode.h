#pragma once
// Undoing transfer encodings of mail text: quoted-printable escapes, UTF-8 read as
// Windows-1252, character references, and base64.

#include <string>
#include <string_view>

namespace glanmail {

// The fixed sequence of replacements of the decoder; isUtf8 chooses the rule set
// (the IsUtf8 of the message at hand). Every LF of the result is preceded by a CR, so each CR LF
// of the input comes out as CR CR LF.
std::string Decode(std::string_view text, bool isUtf8);
// The same on a text the caller owns, which becomes the result: no copy of it is made.
void DecodeInPlace(std::string& text, bool isUtf8);

// Base64 text to bytes; the empty string when the text is not base64.
std::string DecodeBase64(std::string_view text);
// Base64 as attachments carry it, leniently: every digit taken, line breaks anywhere, missing
// or stray padding and characters outside the alphabet passed over.
std::string DecodeBase64Lenient(std::string_view text);

} // namespace glanmail
