#pragma once
// HTML bodies to plain text: the head and style sheets are dropped, paragraph and line-break
// tags become line breaks, every other tag goes, runs of spaces collapse, and character
// references become Windows-1252 characters.

#include <string>
#include <string_view>

namespace glanmail {

// Text without a "<" or without a ">" is not HTML: it comes back through Decode (isUtf8 chooses
// the decoder's rule set).
std::string HTMLProcessing(std::string_view text, bool isUtf8);
// The same on a text the caller owns, which becomes the result; text that is not HTML is
// decoded where it is, without a copy.
void HTMLProcessingInPlace(std::string& text, bool isUtf8);

} // namespace glanmail
