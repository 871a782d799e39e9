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
    std::uint32_t DataOffset = 0; // first data block, above 0
    std::string Subject;          // property 8: cut at NUL with every "Re: " removed, or whole without NUL
    std::string Sender;           // property 13, cut at NUL
    std::string DateText;         // DateString of property 18; empty without it
    std::string MessageId;        // property 7, cut at NUL, spaces trimmed
    std::string Chain;            // property 10, cut at NUL, spaces removed
    std::string SubjectKey;       // StandardSubject of property 5; empty without it
};

enum class InfoStatus {
    Complete,   // fields hold the message
    Incomplete, // read, but without a data offset (property 4 or 132) above 0: its text is not in the store
    Unreadable  // not a message-info object that can be read (below)
};

struct MsgInfoRead {
    InfoStatus status = InfoStatus::Unreadable;
    MsgInfoFields fields; // set when Complete
};

// The message-info object at offset m. Unreadable: an offset of 2^31 or more, a marker that
// is not m, an object cut short by the end of the file or whose index does not fit its length,
// an indirect property number from 52 to 79, a value offset or a data area beyond 32,767
// bytes (the largest an object may hold), a 4-byte offset of 2^31 or more.
MsgInfoRead ReadMsgInfo(const ByteSource& bytes, std::uint32_t m);

} // namespace glanmail
