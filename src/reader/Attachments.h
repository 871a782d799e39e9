#pragma once
// Where a message's first attachment begins: the text is cut there, so attachments are
// never read, shown or saved.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace glanmail {

// The length of the text kept before the attachment whose marker (a CR LF followed by one of
// the attachment markers, tested in their fixed order, not by position) occurs in text, or
// nothing when there is none. For every marker but "begin 666" the kept text is shortened
// further to end before the last CR LF "--" (the delimiter line that opens the part) when
// that lies after the first character.
std::optional<std::size_t> Attached(std::string_view text);

// CutAtMarker for a marker whose CR is at 0-based position markerAt: the kept length.
std::size_t CutAtMarker(std::string_view text, std::size_t markerAt, bool trimToDelimiter);

// The same test, made block by block on a text that grows: each call looks only at what the
// new bytes can complete (the new block and the few bytes before it that a marker may start
// in), and gives exactly the cut Attached gives on the whole text.
class AttachmentScanner {
public:
    // text: the whole text so far, of which the bytes from previousSize on are new.
    std::optional<std::size_t> Check(std::string_view text, std::size_t previousSize) const;
};

} // namespace glanmail
