#include "reader/MessageTable.h"

#include "content/DateText.h"
#include "content/Decode.h"
#include "reader/ConversationKeys.h"
#include "reader/MessageInfo.h"
#include "reader/SortMsgTable.h"

#include <algorithm>
#include <array>

namespace glanmail {
namespace {

using ByteSet = std::array<bool, 256>;

// The first bytes of every match of the decoder's rules, in either letter case. Both rule sets
// start their matches with "=" (escapes, soft line breaks), "&" (references) or LF (the last
// rule); the rules for every text also with Ž or ž and with Ã or ã ("ÃƒÂ©"). The UTF-8 set
// also looks for high bytes of UTF-8 read as Windows-1252: any byte from 0x80 counts there.
ByteSet DecodeStarts(bool isUtf8) {
    ByteSet set{};
    for (const char c : {'=', '&', '\n'}) {
        set[static_cast<unsigned char>(c)] = true;
    }
    if (isUtf8) {
        for (std::size_t c = 0x80; c < 256; ++c) {
            set[c] = true;
        }
    } else {
        for (const std::size_t c : {0x8Eu, 0x9Eu, 0xC3u, 0xE3u}) {
            set[c] = true;
        }
    }
    return set;
}

} // namespace

bool SubjectNeedsDecode(std::string_view s, bool isUtf8) {
    static const ByteSet utf8 = DecodeStarts(true);
    static const ByteSet other = DecodeStarts(false);
    const ByteSet& starts = isUtf8 ? utf8 : other;
    for (const char c : s) {
        if (starts[static_cast<unsigned char>(c)]) {
            return true;
        }
    }
    return false;
}

std::string ListSubject(std::string stored, bool isUtf8) {
    if (stored.empty()) {
        return kNoSubject;
    }
    stored.erase(std::remove_if(stored.begin(), stored.end(),
                                [](char c) {
                                    const auto b = static_cast<unsigned char>(c);
                                    return b >= 1 && b <= 31;
                                }),
                 stored.end());
    // No rule can match anywhere, so every rule leaves the text as it found it.
    if (!SubjectNeedsDecode(stored, isUtf8)) {
        return stored;
    }
    return Decode(stored, isUtf8);
}

MsgTableBuild BuildMsgTable(const ByteSource& bytes, const std::vector<std::uint32_t>& infoOffsets, bool isUtf8) {
    MsgTableBuild build;
    std::vector<MsgEntry>& table = build.table;
    std::vector<ThreadInput> threads;
    table.reserve(infoOffsets.size());
    threads.reserve(infoOffsets.size());
    for (const std::uint32_t offset : infoOffsets) {
        MsgInfoRead read = ReadMsgInfo(bytes, offset);
        if (read.status != InfoStatus::Complete) {
            build.unreadable += read.status == InfoStatus::Unreadable ? 1 : 0;
            continue;
        }
        MsgInfoFields& fields = read.fields;
        MsgEntry entry;
        entry.DataOffset = fields.DataOffset;
        entry.Subject = ListSubject(std::move(fields.Subject), isUtf8);
        entry.Sender = std::move(fields.Sender);
        entry.DateText = std::move(fields.DateText);
        // The sort key of the date depends on the date alone, so it is made while the entry is
        // at hand and moves with it.
        entry.DateKey = DateSort(entry.DateText);
        table.push_back(std::move(entry));
        threads.push_back({std::move(fields.SubjectKey), std::move(fields.MessageId), std::move(fields.Chain)});
    }
    std::vector<std::string> keys = ResolveThreadKeys(threads);
    for (std::size_t c = 0; c < table.size(); ++c) {
        table[c].ThreadKey = std::move(keys[c]);
    }
    SortMsgTable(table);
    return build;
}

} // namespace glanmail
