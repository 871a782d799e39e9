#pragma once
// The walk of a store's message index tree: the offsets of the message-info objects.

#include "common/Prompter.h"
#include "reader/ByteSource.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace glanmail {

// Offsets of the message-info objects (InfoTable), in walk order: a node's entries in index
// order, each followed by everything below its child, and everything below the node's first
// child last. Entries of 0 or less are passed over, their children still walked.
// A root below 1 gives an empty table. Nothing when the walk must give up: a node whose marker
// is not its own offset ("ReadTreeHeader"), more entries than dbxMsgCount, a node reached twice
// (a cycle) or an entry cut short by the end of the file ("ReadMsgHeader"). A node that cannot
// be read is reported under "ReadTreeHeader" and the walk goes on as the program always did.
// The table never holds more than dbxMsgCount offsets, so a large count costs nothing.
std::optional<std::vector<std::int32_t>> ReadMsgIndex(const ByteSource& bytes, std::int32_t root,
                                                      std::int32_t dbxMsgCount, Prompter& prompter);

} // namespace glanmail
