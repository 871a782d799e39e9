#pragma once
// What a message's own header lines say about it, for messages found without their
// message-info object: subject, sender, date, Message-ID and the Message-IDs it answers.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace glanmail {

struct HeaderFields {
    std::string Subject;              // "Subject:" unfolded, its encoded words decoded (Windows-1252)
    std::string Sender;               // the display name of "From:" (encoded words decoded), else its address
    std::string Address;              // the address of "From:" (without angle brackets); empty when none
    std::string MessageId;            // "Message-ID:", trimmed
    std::string Parents;              // "References:" or else "In-Reply-To:", without spaces: "<id1><id2>", parent last
    std::optional<std::int64_t> Time; // seconds since 1970 (UTC) of "Date:", else of the last "Received:"
};

// The fields of the header block at the start of raw (through the first empty line, or all of
// raw). Header names are compared without regard to case; continuation lines are unfolded.
HeaderFields ReadHeaderFields(std::string_view raw);

// Seconds since 1970 (UTC) of an RFC 822 date ("Sun, 14 Apr 2002 02:27:47 +0200"); the day
// name, the seconds and the zone may be missing, zones may be numeric or named (GMT, UT,
// EST...). Nothing when the text holds no such date.
std::optional<std::int64_t> ParseMailDate(std::string_view date);

// The list's date text (local DD/MM/YYYY HH:MM:SS) of seconds since 1970.
std::string DateTextOfUnix(std::int64_t seconds);

} // namespace glanmail
