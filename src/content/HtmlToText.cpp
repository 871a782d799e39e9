#include "content/HtmlToText.h"

#include "content/Decode.h"

namespace glanmail {

// Not finished yet: only the early exit for text that holds no tag.
std::string HTMLProcessing(std::string_view text, bool isUtf8) { return Decode(text, isUtf8); }

}  // namespace glanmail
