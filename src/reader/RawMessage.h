#pragma once
// Reading a message's raw text from its chain of data blocks.

#include "common/Prompter.h"
#include "reader/ByteSource.h"

#include <cstdint>
#include <optional>
#include <string>

namespace glanmail {

enum class AttachmentPolicy {
    CutAtFirstAttachment, // what is shown, saved and printed: the text before the first attachment
    Whole                 // every byte of the chain, attachments included
};

struct RawExtraction {
    std::string text;        // RawMsg: the message bytes of the chain, in order
    bool incomplete = false; // the chain broke off: text holds only the bytes read before
    bool cut = false;        // the text stops before an attachment (CutAtFirstAttachment)
};

// The raw message starting at the data block at dataOffset. Nothing when the first block's
// header cannot be read (reported through the prompter, title "ReadTxtMsg"). A chain that
// breaks off later (a next block already read, past the end of the file or whose marker is
// not its own offset, a block cut short by the end of the file) keeps every byte read and
// is flagged incomplete.
std::optional<RawExtraction> ExtractChain(const ByteSource& bytes, std::int64_t dataOffset, Prompter& prompter,
                                          AttachmentPolicy policy = AttachmentPolicy::CutAtFirstAttachment);

// "Message 12 incomplet : la suite du message est illisible" (id: the message's list ID).
std::string IncompleteMessageText(std::size_t id);

} // namespace glanmail
