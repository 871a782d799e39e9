#pragma once
// Messages in the mboxrd form that other mail programs import: each message follows a
// "From " line naming its sender's address and its date, its lines end in LF, and every line
// that begins with "From " after any number of ">" gets one ">" more, so a reader can tell the
// separators from the text and undo the quoting exactly.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace glanmail {

// "From " + address + " " + the date in asctime form, UTC ("Sun Apr 14 00:27:57 2002"), LF.
// An empty address becomes "MAILER-DAEMON"; an unknown date the start of 1970.
std::string MboxFromLine(std::string_view address, std::optional<std::int64_t> unixTime);

// One message as it stands in the file: its "From " line (address and date read from the
// message's own "From:" and "Date:" lines, else its last "Received:"), then the message with
// CR LF turned into LF and the "From " lines quoted, ending with its own line end and an empty line.
std::string MboxEntry(std::string_view raw);

} // namespace glanmail
