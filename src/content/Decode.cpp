// Placeholder until the decoder lands: returns the text unchanged.
#include "content/Decode.h"

namespace glanmail {

std::string Decode(std::string_view text, bool /*isUtf8*/) { return std::string(text); }
std::string DecodeBase64(std::string_view /*text*/) { return {}; }

}  // namespace glanmail
