#include "reader/StoreRecovery.h"

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

} // namespace glanmail
