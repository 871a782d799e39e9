#pragma once
// The attachments of a whole message (its raw text read to the end of its chain): every leaf
// part that is not the text the viewer shows, that is a part with a file name, or an
// "attachment" disposition, or a type that is neither text nor multipart; a forwarded
// message (message/rfc822) is one attachment, the embedded message as written; and the
// uuencoded files ("begin 644 NAME") that plain text bodies carried in news of that time.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace glanmail {

struct Attachment {
    std::string Name;       // UTF-8, as the message gives it (not yet a safe file name)
    bool NameGiven = false; // false: made from the type ("pièce jointe 1.png")
    std::string Type;       // "image/png", lower case
    std::string Content;    // the decoded bytes
};

// Bounds on hostile input: deeper nesting and further parts are not read; what lies within
// them is listed.
inline constexpr std::size_t kMaxPartDepth = 1000;
inline constexpr std::size_t kMaxParts = 100000;

struct AttachmentList {
    std::vector<Attachment> Items;
    bool Truncated = false; // a bound was reached: some parts were not read
};

AttachmentList ListAttachments(std::string_view rawMsg);

// Bytes of a transfer encoding, leniently: base64 with line breaks anywhere and its padding
// missing; quoted-printable with its soft line breaks; anything else as it stands.
std::string DecodeTransfer(std::string_view body, std::string_view encoding);

// Text in a charset (as named in a header) to UTF-8: UTF-8 kept when valid, every other
// charset, and invalid UTF-8, read as Windows-1252.
std::string CharsetToUtf8(std::string_view bytes, std::string_view charset);

} // namespace glanmail
