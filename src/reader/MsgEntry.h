#pragma once

#include "content/ListedMessage.h"

#include <cstdint>
#include <string>

namespace glanmail {

// The subject listed for a message whose subject is empty (Windows-1252).
inline constexpr const char* kNoSubject = "(Objet non pr\xE9"
                                          "cis\xE9)";

// Whether the index reaches a message.
enum class RecoveryStatus {
    Indexed, // reached by the index
    Deleted, // found by the recovery scan: message-info object in place, not indexed
    Fragment // found by the recovery scan: data blocks only
};

// One complete message of the open store, as listed. Text fields are Windows-1252.
struct MsgEntry {
    std::int64_t DataOffset = 0; // file offset of the first data block; always > 0
    std::string Subject;         // as listed: "Re: " removed, control characters removed, decoded
    std::string Sender;          // the sender's display name
    std::string DateText;        // DD/MM/YYYY HH:MM:SS, local time
    std::string DateKey;         // YYYYMMDD HHMMSS
    std::string ThreadKey;       // conversation key "<" + subject key + ">"
    RecoveryStatus Status = RecoveryStatus::Indexed;
    std::uint32_t Recovered = 0; // a recovered row: 1 + its place in the store's Recovered list

    // What message processing reads of the entry.
    ListedMessage Listed() const { return {Subject, Sender, DateText}; }
};

} // namespace glanmail
