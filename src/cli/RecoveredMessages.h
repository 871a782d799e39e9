#pragma once
// The messages of an open store together with those the index no longer reaches, as the
// commands' --recover option shows them: the indexed ones keep their IDs (1 to MsgCount()),
// the recovered ones follow in the order the scan finds them, so the same file always
// gives the same IDs.

#include "reader/RawMessage.h"
#include "reader/RecoveryScan.h"
#include "reader/Store.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace glanmail::cli {

class MessageCatalog {
public:
    // The indexed messages only, or with recover those the scan finds too.
    MessageCatalog(const OpenedStore& store, bool recover);

    std::size_t Count() const { return indexed_ + recovered_.size(); }
    std::size_t IndexedCount() const { return indexed_; }
    std::size_t RecoveredCount() const { return recovered_.size(); }
    const MsgEntry& Entry(std::size_t id) const;
    RecoveryStatus Status(std::size_t id) const;
    // The message's text: an indexed one as the policy says; a recovered one always whole,
    // the blocks the scan kept (incomplete when its chain was cut). Nothing when an indexed
    // message's first block cannot be read (said through the prompter).
    std::optional<RawExtraction> Read(std::size_t id, AttachmentPolicy policy, Prompter& prompter) const;
    // The store's caption, followed by ", 3 messages retrouvés" when recovery was asked (UTF-8).
    std::string Caption() const;
    // Adds the recovered rows to the store's table, so that output code working on the table
    // (file names, conversations) sees every ID.
    void AppendTo(OpenedStore& store) const;

private:
    const OpenedStore& store_;
    bool recover_;
    std::size_t indexed_; // the store's table may grow by the recovered rows (AppendTo)
    std::vector<RecoveredMessage> recovered_;
    std::vector<MsgEntry> entries_; // rows of recovered_, conversation keys resolved among them
};

} // namespace glanmail::cli
