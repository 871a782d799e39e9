#pragma once
// Literal forms of the decoding and the HTML conversion, each rule a whole-text step, in the program's order.
#include <string>
#include <string_view>

namespace glanmail::reference {

std::string Decode(std::string_view text, bool isUtf8);
std::string DecodeBase64(std::string_view text);
std::string HTMLProcessing(std::string_view text, bool isUtf8);

} // namespace glanmail::reference
