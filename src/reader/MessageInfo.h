#pragma once
// Reading one message-info object: what the message table takes from it.

#include "reader/ByteSource.h"

#include <cstdint>
#include <optional>
#include <string>

namespace glanmail {

// The fields of one complete message, as read from its object (before the table's own rules
// for the listed subjects). Text is Windows-1252.
struct MsgInfoFields {
    std::int32_t DataOffset = 0; // first data block, above 0
    std::string Subject;         // property 8: cut at NUL with every "Re: " removed, or whole without NUL
    std::string Sender;          // property 13, cut at NUL
    std::string DateText;        // DateString of property 18; empty without it
    std::string MessageId;       // property 7, cut at NUL, spaces trimmed
    std::string Chain;           // property 10, cut at NUL, spaces removed
    std::string SubjectKey;      // StandardSubject of property 5; empty without it
};

// The message at offset m, or nothing when it is incomplete: a wrong marker, no data offset
// (or one of 0 or less), an object cut short by the end of the file, and also everything that
// stopped the program before: an indirect property number from 52 to 79, an offset or a
// length beyond 16-bit numbers, a number too large to convert.
std::optional<MsgInfoFields> ReadMsgInfo(const ByteSource& bytes, std::int32_t m);

} // namespace glanmail
