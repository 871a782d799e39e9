#pragma once
// Reading the header of a sample message the way Outlook Express did when it filed a message:
// the few values it kept in the message-info object (subject, subject key, Message-ID,
// parents, sender's display name, receipt time) derived from the header lines.

#include "storewriter/StoreWriter.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace glanmail::samples {

struct HeaderField {
    std::string name;  // as written
    std::string value; // unfolded, without the leading blanks
};

// The header lines before the first empty line, continuation lines joined.
std::vector<HeaderField> ParseHeaders(std::string_view raw);

// Value of the first field of that name (any case), or nothing.
std::optional<std::string> FieldValue(const std::vector<HeaderField>& fields, std::string_view name);

// RFC 2047 encoded words ("=?iso-8859-1?Q?...?=", "=?UTF-8?B?...?=") decoded to Windows-1252;
// blanks between two encoded words are dropped, everything else is kept.
std::string DecodeEncodedWords(std::string_view value);

// Seconds since 1970-01-01 UTC of an RFC 2822 date ("Thu, 12 May 2005 21:14:03 +0200"), lenient
// as mail programs had to be: no day name, no seconds, two-digit years, "+01:00", zone names.
std::optional<std::int64_t> ParseMailDate(std::string_view text);

// The sender's display name from a From: value: the phrase, unquoted and decoded, or the address.
std::string DisplayName(std::string_view from);

// The subject without its answer and forward prefixes ("Re: ", "Fwd: ", "Fw: ", "TR: "), which
// is what Outlook Express keeps as the subject of a conversation.
std::string SubjectKeyOf(std::string_view subject);

// Message-IDs this message answers, "<id1> <id2>", the direct parent last: from References,
// else from In-Reply-To; empty when it answers nothing.
std::string ParentsOf(const std::vector<HeaderField>& fields);

// Receipt time used when a message has neither a readable Date: nor Received: line.
inline constexpr std::int64_t kFallbackDate = 946728000; // 1 January 2000, 12:00 UTC

// The store entry Outlook Express would have made for this raw message.
testing::WriterMessage MessageFromRaw(std::string raw);

} // namespace glanmail::samples
