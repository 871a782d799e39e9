#pragma once

#include <string_view>

namespace glanmail {

// What the message list shows of a message, as message processing needs it: the subject and
// the sender as listed, and the stored receipt time, DD/MM/YYYY HH:MM:SS in local time. Text is
// Windows-1252; the views must outlive the processing of the message.
struct ListedMessage {
    std::string_view Subject;
    std::string_view Sender;
    std::string_view DateText;
};

} // namespace glanmail
