#pragma once
// Where a message's first attachment begins: the text is cut there, so attachments are
// never read, shown or saved.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace glanmail {

// Where the text is cut for the attachment whose marker (a CR LF followed by one of the
// attachment markers, tested in their fixed order, not by position) occurs in it: the length
// of the text kept before it. For every marker but "begin 666" the kept text is shortened
// further to end before the last CR LF "--" (the delimiter line that opens the part) when
// that lies after the first character.
//
// The test is made block by block on a text that grows: each call looks only at what the
// new bytes can complete (the new block and the few bytes before it that a marker may start
// in), and gives the cut a test of the whole text would give.
class AttachmentScanner {
public:
    // text: the whole text so far, of which the bytes from previousSize on are new.
    std::optional<std::size_t> Check(std::string_view text, std::size_t previousSize) const;
};

} // namespace glanmail
