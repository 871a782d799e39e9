#pragma once
// The walk of a store's message index tree: the offsets of the message-info objects.

#include "common/Prompter.h"
#include "reader/ByteSource.h"

#include <cstdint>
#include <vector>

namespace glanmail {

struct IndexWalk {
    // Offsets of the message-info objects (InfoTable), in walk order: a node's entries in
    // index order, each followed by everything below its child, and everything below the
    // node's first child last. Entries of 0 are passed over, their children still walked.
    std::vector<std::uint32_t> infos;
    // The damage passed over, each as the box that reports it, in the order met.
    std::vector<Box> warnings;
};

// Walks the tree from root (nothing for 0). A damaged tree gives every entry it still
// reaches: a link to a node already walked (a cycle), to a node whose marker is not its own
// offset or that lies past the end of the file is passed over; a node whose entries run past
// the file gives those that are there. Each is reported in warnings. The table may grow past
// dbxMsgCount (reported once), up to what the file can hold.
IndexWalk ReadMsgIndex(const ByteSource& bytes, std::uint32_t root, std::uint32_t dbxMsgCount);

} // namespace glanmail
