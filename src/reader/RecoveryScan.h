#pragma once
// The recovery scan: one pass over the whole store, independent of the header's count and of
// the index tree, that finds the messages the index no longer reaches.
//   - "effacé": a message-info object (marker equal to its own offset, a length that fits the
//     file, a plausible index) whose message is not indexed, with its text still in place;
//   - "fragment": a chain of data blocks that no message-info object points at, described by
//     its own header lines.
// A chain starts only at a block that no other block points at. A chain that loops, meets a
// block already taken by another chain, or runs off the file is cut at the first bad block;
// the blocks before it are kept. Offsets are unsigned 32-bit, so a store may reach 4 GB; no
// count or size is trusted beyond what the file holds. Memory grows with the number of data
// blocks (12 bytes each), never with a number read from the file.

#include "reader/ByteSource.h"
#include "reader/ConversationKeys.h"
#include "reader/MsgEntry.h"
#include "reader/RawMessage.h"

#include <cstdint>
#include <string>
#include <vector>

namespace glanmail {

// "indexé", "effacé", "fragment" (Windows-1252).
const char* StatusText(RecoveryStatus status);

struct RecoveredMessage {
    RecoveryStatus Status = RecoveryStatus::Fragment;
    std::uint32_t InfoOffset = 0; // the message-info object (Deleted); 0 for a fragment
    std::uint32_t DataOffset = 0; // first data block
    std::uint32_t Blocks = 0;     // blocks of the chain kept, from the first (at least 1)
    bool Whole = true;            // false when the chain was cut at a bad block
    // A chain copied whole to another place keeps the markers and links of the place it came
    // from: they exceed its blocks' offsets by this much (modulo 2^32). 0 for a chain in place.
    std::uint32_t MarkerShift = 0;
    // As the table takes them from an indexed message (Windows-1252); Subject before the
    // list's decoding ("Re: " already removed).
    std::string Subject;
    std::string Sender;    // display name, else the address
    std::string Address;   // sender's address from the "From:" line; empty when not read
    std::string DateText;  // DD/MM/YYYY HH:MM:SS local time; empty when unknown
    std::string MessageId; // trimmed
    std::string Chain;     // Message-IDs answered, without spaces, direct parent last
    std::string SubjectKey;
};

// What the index reaches, so that the scan never reports it again.
struct IndexedMessages {
    std::vector<std::uint32_t> InfoOffsets; // message-info objects the walk found
    std::vector<std::uint32_t> DataOffsets; // first data blocks of the listed messages
};

// The messages of the store that the index does not reach: first the "effacé" ones, then the
// fragments, each group in file order. Works on any bytes (a store, a piece of one, noise).
std::vector<RecoveredMessage> ScanForLostMessages(const ByteSource& bytes, const IndexedMessages& indexed);

// The raw text of a recovered message, attachments included: the message bytes of the blocks
// the scan kept, in chain order (512 bytes from each block but a last one, whose count holds).
std::string RecoveredBytes(const ByteSource& bytes, const RecoveredMessage& message);

// The same as a message read by its chain: whole, or cut before its first attachment block by
// block as an indexed message is; incomplete when the scan cut the chain before the text used
// ended.
RawExtraction ExtractRecovered(const ByteSource& bytes, const RecoveredMessage& message, AttachmentPolicy policy);

// The row a recovered message makes in the message table (ThreadKey left empty: conversation
// keys are resolved over the whole table), and its input to that resolution.
MsgEntry ToMsgEntry(const RecoveredMessage& message);
ThreadInput ToThreadInput(const RecoveredMessage& message);

} // namespace glanmail
