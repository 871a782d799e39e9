#pragma once
// The message table: one entry per complete message, with its list texts and its
// conversation key, sorted so that the messages of a conversation stand together.

#include "reader/BuildProgress.h"
#include "reader/ByteSource.h"
#include "reader/ConversationKeys.h"
#include "reader/MsgEntry.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace glanmail {

// A listed subject from the stored one: control characters (1 to 31) removed, then decoded as
// text without UTF-8; "(Objet non précisé)" when the stored subject is empty.
std::string ListSubject(std::string stored);

// False when Decode (without UTF-8) would give s back unchanged because s holds no byte that
// any of its rules starts a match with ("=", "&", LF, and the high bytes the rules look for),
// so the listing can skip the decoder for the many plain subjects.
bool SubjectNeedsDecode(std::string_view s);

struct MsgTableBuild {
    std::vector<MsgEntry> table; // the complete messages; empty when there are none
    std::size_t unreadable = 0;  // index entries whose message-info object could not be read
    // What the conversation keys are resolved from, row for row, until the table is finished.
    std::vector<ThreadInput> threads;
};

// Reads the message-info objects at infoOffsets (walk order) and keeps the complete messages,
// with their DateKey, in that order. Reading and keeping are one pass here: progress hears
// phases 1 and 2 together at its end.
MsgTableBuild ReadMsgRows(const ByteSource& bytes, const std::vector<std::uint32_t>& infoOffsets,
                          const BuildProgress* progress = nullptr);

// Resolves the conversation keys of the rows (over all of them, in their present order) and
// sorts the table; the thread inputs are used up. progress hears phases 3 to 5.
void FinishMsgTable(MsgTableBuild& build, const BuildProgress* progress = nullptr);

// Both: the table of the messages the index lists.
MsgTableBuild BuildMsgTable(const ByteSource& bytes, const std::vector<std::uint32_t>& infoOffsets,
                            const BuildProgress* progress = nullptr);

} // namespace glanmail
