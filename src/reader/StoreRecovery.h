#pragma once
// Opening with recovery: the messages the recovery scan finds join the rows of the index.

#include "reader/ByteSource.h"
#include "reader/MessageTable.h"
#include "reader/RecoveryScan.h"

#include <vector>

namespace glanmail {

// Scans bytes for the messages the rows of build do not reach and adds a row and a thread
// input for each after them, in the order the scan finds them, so that finishing the table
// resolves and sorts every row alike: a recovered reply joins its conversation, indexed or
// not. The messages themselves are given back, in that order (MsgEntry::Recovered of each new
// row is 1 + its place there).
std::vector<RecoveredMessage> AddLostMessages(const ByteSource& bytes, MsgTableBuild& build);

} // namespace glanmail
