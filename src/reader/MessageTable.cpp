#include "reader/MessageTable.h"

#include "content/DateText.h"
#include "content/Decode.h"
#include "reader/ConversationKeys.h"
#include "reader/MessageInfo.h"
#include "reader/SortMsgTable.h"

namespace glanmail {

std::string ListSubject(const std::string& stored, bool isUtf8) {
    if (stored.empty()) {
        return "(Objet non pr\xE9"
               "cis\xE9)";
    }
    std::string s;
    s.reserve(stored.size());
    for (const char c : stored) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 1 || b > 31) {
            s.push_back(c);
        }
    }
    return Decode(s, isUtf8);
}

std::vector<MsgEntry> BuildMsgTable(const ByteSource& bytes, const std::vector<std::int32_t>& infoOffsets,
                                    bool isUtf8) {
    std::vector<MsgEntry> table;
    std::vector<ThreadInput> threads;
    for (const std::int32_t offset : infoOffsets) {
        auto fields = ReadMsgInfo(bytes, offset);
        if (!fields) {
            continue;
        }
        MsgEntry entry;
        entry.DataOffset = fields->DataOffset;
        entry.Subject = ListSubject(fields->Subject, isUtf8);
        entry.Sender = std::move(fields->Sender);
        entry.DateText = std::move(fields->DateText);
        table.push_back(std::move(entry));
        threads.push_back({std::move(fields->SubjectKey), std::move(fields->MessageId), std::move(fields->Chain)});
    }
    std::vector<std::string> keys = ResolveThreadKeys(threads);
    for (std::size_t c = 0; c < table.size(); ++c) {
        table[c].ThreadKey = std::move(keys[c]);
    }
    SortMsgTable(table);
    for (MsgEntry& e : table) {
        e.DateKey = DateSort(e.DateText);
    }
    return table;
}

} // namespace glanmail
