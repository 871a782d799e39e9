#pragma once
// Sorting the message table by conversation key.

#include "reader/MsgEntry.h"

#include <vector>

namespace glanmail {

// Ascending by ThreadKey, ignoring case: a quicksort with a pseudo-random pivot, drawn from a
// generator with a fixed seed, so that equal keys (which the sort leaves in no natural order)
// come out in the same order on every run and in every front end. Runs of equal keys, which the partition handles one
// entry at a time, are finished in one pass giving the same order, so a conversation of thousands of messages sorts in
// linear time. Keys are compared as ranks among the distinct folded keys, which orders them exactly as the folded texts
// do. No recursion: any input is safe for the stack.
void SortMsgTable(std::vector<MsgEntry>& table);

} // namespace glanmail
