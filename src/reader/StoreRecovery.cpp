#include "reader/StoreRecovery.h"

#include "reader/LittleEndian.h"
#include "reader/Store.h"
#include "reader/StoreLayout.h"

#include <sys/stat.h>

namespace glanmail {

std::vector<RecoveredMessage> AddLostMessages(const ByteSource& bytes, MsgTableBuild& build) {
    IndexedMessages indexed; // the indexed messages' first blocks keep their info objects out too
    indexed.DataOffsets.reserve(build.table.size());
    for (const MsgEntry& e : build.table) {
        indexed.DataOffsets.push_back(static_cast<std::uint32_t>(e.DataOffset));
    }
    std::vector<RecoveredMessage> recovered = ScanForLostMessages(bytes, indexed);
    build.table.reserve(build.table.size() + recovered.size());
    build.threads.reserve(build.threads.size() + recovered.size());
    for (std::size_t i = 0; i < recovered.size(); ++i) {
        MsgEntry entry = ToMsgEntry(recovered[i]);
        entry.Recovered = static_cast<std::uint32_t>(i + 1);
        build.table.push_back(std::move(entry));
        build.threads.push_back(ToThreadInput(recovered[i]));
    }
    return recovered;
}

std::unique_ptr<OpenedStore> OpenWholeFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0) {
        return nullptr;
    }
    auto bytes = FileSource::Open(path);
    if (!bytes) {
        return nullptr;
    }
    auto store = std::make_unique<OpenedStore>();
    store->DbxPath = path;
    store->Name = path.substr(path.rfind('/') + 1);
    const std::string count = bytes->Read(layout::kMsgCountAt, 4);
    store->DbxMsgCount = count.size() == 4 ? le::U32(count, 0) : 0;
    MsgTableBuild build;
    store->Recovered = AddLostMessages(*bytes, build);
    FinishMsgTable(build);
    store->MsgTable = std::move(build.table);
    store->RecoverySearched = true;
    store->bytes = std::move(bytes);
    return store;
}

std::optional<RawExtraction> ReadMessage(const OpenedStore& store, std::size_t id, Prompter& prompter,
                                         AttachmentPolicy policy) {
    if (id < 1 || id > store.MsgCount() || store.bytes == nullptr) {
        return std::nullopt;
    }
    const MsgEntry& entry = store.Entry(id);
    if (entry.Recovered == 0) {
        return ReadRawMsg(*store.bytes, entry.DataOffset, prompter, policy);
    }
    if (entry.Recovered > store.Recovered.size()) {
        return std::nullopt;
    }
    return ReadRecoveredMsg(*store.bytes, store.Recovered[entry.Recovered - 1], policy);
}

} // namespace glanmail
