#include "RecoveredMessages.h"

namespace glanmail::cli {

MessageCatalog::MessageCatalog(const OpenedStore& store, bool recover)
    : store_(store), recover_(recover), indexed_(store.MsgCount()) {
    if (!recover) {
        return;
    }
    IndexedMessages indexed; // the indexed messages' first blocks keep their info objects out too
    indexed.DataOffsets.reserve(store.MsgCount());
    for (const MsgEntry& e : store.MsgTable) {
        indexed.DataOffsets.push_back(static_cast<std::uint32_t>(e.DataOffset));
    }
    recovered_ = ScanForLostMessages(*store.bytes, indexed);
    std::vector<ThreadInput> threads;
    threads.reserve(recovered_.size());
    for (const RecoveredMessage& m : recovered_) {
        entries_.push_back(ToMsgEntry(m));
        threads.push_back(ToThreadInput(m));
    }
    const std::vector<std::string> keys = ResolveThreadKeys(threads);
    for (std::size_t i = 0; i < entries_.size() && i < keys.size(); ++i) {
        entries_[i].ThreadKey = keys[i];
    }
}

const MsgEntry& MessageCatalog::Entry(std::size_t id) const {
    return id <= indexed_ ? store_.Entry(id) : entries_.at(id - indexed_ - 1);
}

RecoveryStatus MessageCatalog::Status(std::size_t id) const {
    return id <= indexed_ ? RecoveryStatus::Indexed : recovered_.at(id - indexed_ - 1).Status;
}

std::optional<RawExtraction> MessageCatalog::Read(std::size_t id, AttachmentPolicy policy, Prompter& prompter) const {
    if (id <= indexed_) {
        return ReadRawMsg(*store_.bytes, store_.Entry(id).DataOffset, prompter, policy);
    }
    const RecoveredMessage& m = recovered_.at(id - indexed_ - 1);
    return RawExtraction{ReadRecoveredRaw(*store_.bytes, m), !m.Whole};
}

void MessageCatalog::AppendTo(OpenedStore& store) const {
    store.MsgTable.resize(indexed_);
    store.MsgTable.insert(store.MsgTable.end(), entries_.begin(), entries_.end());
}

std::string MessageCatalog::Caption() const {
    std::string caption = store_.Caption();
    if (recover_) {
        const std::size_t n = recovered_.size();
        caption += ", " + std::to_string(n) + (n < 2 ? " message retrouvé" : " messages retrouvés");
    }
    return caption;
}

} // namespace glanmail::cli
