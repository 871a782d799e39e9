#pragma once
// Conversions at the edges of the program: message text is Windows-1252 bytes inside,
// UTF-8 on screen, in text files and on the command line.

#include <cstdint>
#include <string>
#include <string_view>

namespace glanmail::encoding {

// Unicode code point of a Windows-1252 byte. The five bytes Windows-1252 leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same value.
char32_t CodePointOf(unsigned char c);

// Windows-1252 byte for a code point, or '?' when the code page has none.
char ByteFor(char32_t cp);

std::string ToUtf8(std::string_view cp1252);

// Invalid UTF-8 bytes and characters outside Windows-1252 become '?'.
std::string FromUtf8(std::string_view utf8);

// Appends the UTF-8 form of one code point.
void AppendUtf8(std::string& out, char32_t cp);

// Decoding leaves every line break of a message as CR CR LF; the viewer, text files and
// printing show it as one line break.
std::string CollapseCrCrLf(std::string_view s);

} // namespace glanmail::encoding
