#pragma once
// Slow, literal forms of the decoder and of the HTML conversion: every rule is one whole-string
// replace-all on the result of the rule before, exactly in the program's order. The fast code in
// src/content must give the same results; the tests compare the two on many inputs.

#include <string>
#include <string_view>

namespace glanmail::reference {

std::string Decode(std::string_view text, bool isUtf8);
std::string DecodeBase64(std::string_view text);
std::string HTMLProcessing(std::string_view text, bool isUtf8);

} // namespace glanmail::reference
