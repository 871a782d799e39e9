#pragma once
// Conversation keys: each message gets "<" + subject key + ">" of the topmost message of
// its conversation that the store holds, found by following the Message-IDs each message
// names as the one it answers.

#include "reader/BuildProgress.h"

#include <string>
#include <string_view>
#include <vector>

namespace glanmail {

// The subject key of a subject text (property 5): its first 50 characters once trimmed,
// with "<" and ">" turned into "_"; "(Objet non précisé) " (with the space) when empty.
std::string StandardSubject(std::string_view s);

struct ThreadInput {
    std::string SubjectKey; // StandardSubject of property 5; empty when the message has none
    std::string MessageId;  // property 7, trimmed; may be empty
    std::string Chain;      // property 10 without spaces: the Message-IDs answered, direct parent last
};

// The conversation key of every message, in table order. A message whose parent (the first
// message in table order whose Message-ID equals the last element of its chain, ignoring
// case) is in the store takes its parent's key; the others their own "<" + subject key + ">",
// where an empty subject ("(Objet non précisé) ") is numbered with the message's 1-based
// position so that such messages stay apart. A message whose own chain already spells its
// ancestry (ignoring case) keeps its own element, as a pass that finds nothing to change would.
// Messages on a cycle of parent links are each the top of their conversation.
// Reports phases 3, 4 and 5 to progress, and its steps.
std::vector<std::string> ResolveThreadKeys(const std::vector<ThreadInput>& messages,
                                           const BuildProgress* progress = nullptr);

} // namespace glanmail
