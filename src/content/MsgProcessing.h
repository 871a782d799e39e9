#pragma once
// From the raw text of one message to what is shown, saved and printed.

#include "common/Prompter.h"
#include "content/ContentState.h"
#include "content/ListedMessage.h"

#include <string>

namespace glanmail {

// A message's place in the output: on its own (which includes the message opened for
// reading), or first, middle or last of a conversation group written together.
enum class OutputMode : unsigned char { Single = 0, First = 1, Middle = 2, Last = 3 };

// The current message, as processing leaves it. Text is Windows-1252.
struct CurrentMessage {
    std::string MsgHeaders;      // the header block, through the CR LF of its last line
    std::string MsgText;         // the plain body text
    long SubjectStart = 9;       // 1-based position after "Subject: " in MsgHeaders (and RawMsg)
    long SubjectEnd = 0;         // 1-based position of the CR LF ending the subject; 0 when none
    std::string SubjectLine;     // "Objet : " + Subject + CR LF
    std::string DateSenderLines; // "Date : ..." CR LF "Expéditeur : " + Sender + CR LF CR LF
    bool ShowInWindow = true;    // the window shows MsgText and the entry's Subject (mode Single only)
};

// The header block of a raw message: through the CR LF of its last header line, that is
// everything before the first empty line; empty when there is none (the whole text is body).
std::string HeaderBlock(const std::string& rawMsg);

// Processes rawMsg (as extracted, cut before its first attachment) of the listed message.
// Sets state.IsUtf8 to what this message declares (false when it declares no type); nothing
// of an earlier message counts. Boxes raised on the way go to the prompter and processing goes on.
CurrentMessage MsgProcessing(const std::string& rawMsg, const ListedMessage& listed, ContentState& state,
                             Prompter& prompter, OutputMode mode = OutputMode::Single);

} // namespace glanmail
