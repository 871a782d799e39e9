#pragma once
// The "Date : " line of a message's text output. The day and the hour come from the stored
// receipt time (the list's DateText, local time); only the minutes and seconds are taken
// from the message's own Date (or lowest Received) header, with the hour moved by at most
// one so that the result lies as close as possible to the receipt time. Where the header's
// zone and the local zone differ by a fraction of an hour (India, Newfoundland, Nepal), the
// header's minutes are first moved by that fraction.

#include "common/Prompter.h"

#include <string>
#include <string_view>

namespace glanmail {

// "Date : " + the long French date ("dimanche 14 avril 2002 02:16") + CR LF, Windows-1252.
// headers: the message's header block; dateText: DD/MM/YYYY HH:MM:SS. A receipt time that is
// not a date is reported (title "DateOE") and written as it stands.
std::string DateOE(std::string_view headers, std::string_view dateText, Prompter& prompter);

// dateText's day and hour with minSec ("MM:SS"), moved by one hour either way when that
// brings it closer to dateText. Result DD/MM/YYYY HH:MM:SS. When the two do not make a
// date, the failure is reported (title "AdjustDateOE") and dateText is the answer.
std::string AdjustDateOE(std::string_view dateText, std::string_view minSec, Prompter& prompter);

// The long form "dddd d mmmm yyyy hh:mm" of a DD/MM/YYYY HH:MM:SS text, with French names in
// Windows-1252; the text unchanged when it is not a date.
std::string LongFrenchDate(std::string_view dateText);

} // namespace glanmail
