#pragma once
// The decoding written literally, each rule a whole-text step, in the program's order.
#include <string>
#include <string_view>

namespace glanmail::reference {

std::string Decode(std::string_view text, bool isUtf8);

} // namespace glanmail::reference
