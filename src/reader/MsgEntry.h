#pragma once

#include <cstdint>
#include <string>

namespace glanmail {

// One complete message of the open store, as listed. Text fields are Windows-1252.
struct MsgEntry {
    std::int64_t DataOffset = 0; // file offset of the first data block; always > 0
    std::string Subject;         // as listed: "Re: " removed, control characters removed, decoded
    std::string Sender;          // the sender's display name
    std::string DateText;        // DD/MM/YYYY HH:MM:SS, local time
    std::string DateKey;         // YYYYMMDD HHMMSS
    std::string ThreadKey;       // conversation key "<" + subject key + ">"
};

} // namespace glanmail
