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

// The raw message (RawMsg) starting at the data block at dataOffset. Nothing when the first
// block cannot be read (the failure is reported through the prompter, title "ReadTxtMsg").
std::optional<std::string> ReadRawMsg(const ByteSource& bytes, std::int64_t dataOffset, Prompter& prompter,
                                      AttachmentPolicy policy = AttachmentPolicy::CutAtFirstAttachment);

} // namespace glanmail
