#pragma once
// What the commands tell about a damaged store: the index damage passed over while it was
// opened, and a message whose text broke off. Each line reads "glanmail-cli: FILE: text".

#include "reader/Store.h"

#include <cstddef>
#include <ostream>

namespace glanmail::cli {

// Writes the store's warnings to err. True when something of the store may be missing from
// its list (damage passed over, index entries that could not be read).
bool ReportStoreDamage(const OpenedStore& store, std::ostream& err);

// Writes "Message N incomplet : la suite du message est illisible" for message id to err.
void ReportIncompleteMessage(const OpenedStore& store, std::size_t id, std::ostream& err);

} // namespace glanmail::cli
