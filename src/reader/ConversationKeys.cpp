#include "reader/ConversationKeys.h"

#include "common/Text.h"
#include "reader/MsgEntry.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>

namespace glanmail {
namespace {

// The subject key of an empty subject: the listed subject and one space.
const std::string kNoSubjectKey = std::string(kNoSubject) + " ";

const std::array<unsigned char, 256>& kFold = text::kFoldTable;

char FoldChar(char c) {
    return static_cast<char>(kFold[static_cast<unsigned char>(c)]);
}

void AppendFolded(std::string& out, std::string_view s) {
    for (const char c : s) {
        out.push_back(FoldChar(c));
    }
}

// Does folded text equal a + b, ignoring case?
bool EqualsFolded(std::string_view folded, std::string_view a, std::string_view b) {
    if (folded.size() != a.size() + b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (folded[i] != FoldChar(a[i])) {
            return false;
        }
    }
    for (std::size_t i = 0; i < b.size(); ++i) {
        if (folded[a.size() + i] != FoldChar(b[i])) {
            return false;
        }
    }
    return true;
}

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// The folded Message-IDs of all messages, one after the other in one string.
class FoldedIds {
public:
    explicit FoldedIds(const std::vector<ThreadInput>& messages) {
        std::size_t total = 0;
        for (const ThreadInput& m : messages) {
            total += m.MessageId.size();
        }
        text_.reserve(total);
        starts_.reserve(messages.size() + 1);
        for (const ThreadInput& m : messages) {
            starts_.push_back(text_.size());
            AppendFolded(text_, m.MessageId);
        }
        starts_.push_back(text_.size());
    }
    std::size_t Count() const { return starts_.size() - 1; }
    std::string_view operator[](std::size_t c) const {
        return std::string_view(text_).substr(starts_[c], starts_[c + 1] - starts_[c]);
    }

private:
    std::string text_;
    std::vector<std::size_t> starts_;
};

// The first message (in table order) of each folded Message-ID: open addressing over the
// IDs themselves, each slot keeping the hash of its ID so that most probes that miss are
// decided without looking at the ID's text.
class IdIndex {
public:
    explicit IdIndex(const FoldedIds& ids) : ids_(ids) {
        std::size_t size = 16;
        while (size < 2 * ids.Count()) {
            size *= 2;
        }
        slots_.assign(size, {kEmpty, 0});
        for (std::size_t c = 0; c < ids.Count(); ++c) {
            const std::size_t hash = Hash(ids[c]);
            Slot& slot = slots_[SlotOf(ids[c], hash)];
            if (slot.message == kEmpty) {
                slot = {static_cast<std::uint32_t>(c), Tag(hash)};
            }
        }
    }
    std::size_t Find(std::string_view id) const {
        const Slot& slot = slots_[SlotOf(id, Hash(id))];
        return slot.message == kEmpty ? kNone : slot.message;
    }

private:
    // Message numbers fit in 32 bits: each message takes more than 16 bytes of a store whose
    // offsets are 32-bit numbers. Small slots keep the table's share of the cache small.
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFF;
    struct Slot {
        std::uint32_t message;
        std::uint32_t tag; // the high half of the ID's hash
    };
    static std::size_t Hash(std::string_view id) { return std::hash<std::string_view>{}(id); }
    static std::uint32_t Tag(std::size_t hash) { return static_cast<std::uint32_t>(hash >> 32); }
    // The slot holding id, or the empty slot where it would go.
    std::size_t SlotOf(std::string_view id, std::size_t hash) const {
        const std::size_t mask = slots_.size() - 1;
        const std::uint32_t tag = Tag(hash);
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            const Slot& slot = slots_[i];
            if (slot.message == kEmpty || (slot.tag == tag && ids_[slot.message] == id)) {
                return i;
            }
        }
    }
    const FoldedIds& ids_;
    std::vector<Slot> slots_;
};

// The last element of the chain "<" + subject key + ">" + chain: what follows the last "><",
// or the whole chain without one; folded into key.
void FoldedParentKey(const std::string& own, const std::string& chain, std::string& key) {
    key.clear();
    const std::size_t p = chain.rfind("><");
    if (p != std::string::npos) {
        AppendFolded(key, std::string_view(chain).substr(p + 1));
    } else if (!chain.empty() && chain[0] == '<') {
        AppendFolded(key, chain); // the ">" ending the subject element comes just before it
    } else {
        const std::size_t q = own.rfind("><");
        AppendFolded(key, q == std::string::npos ? std::string_view(own) : std::string_view(own).substr(q + 1));
        AppendFolded(key, chain);
    }
}

} // namespace

std::string StandardSubject(std::string_view s) {
    const std::string_view t = text::TrimSpaces(s).substr(0, 50);
    if (t.empty()) {
        return kNoSubjectKey;
    }
    std::string out(t);
    for (char& c : out) {
        if (c == '<' || c == '>') {
            c = '_';
        }
    }
    return out;
}

std::vector<std::string> ResolveThreadKeys(const std::vector<ThreadInput>& messages, const BuildProgress* progress) {
    const std::size_t count = messages.size();
    std::vector<std::string> ownElement(count); // "<" + subject key + ">"
    for (std::size_t c = 0; c < count; ++c) {
        const ThreadInput& m = messages[c];
        std::string& own = ownElement[c];
        own.reserve(m.SubjectKey.size() + 7);
        own += '<';
        own += m.SubjectKey;
        if (m.SubjectKey == kNoSubjectKey) {
            char number[24];
            std::snprintf(number, sizeof number, "%05zu", c + 1);
            own += number;
        }
        own += '>';
    }
    const FoldedIds foldedIds(messages);

    // The parent: the last element of the chain, looked up among the Message-IDs.
    const IdIndex byId(foldedIds);
    std::vector<std::size_t> parent(count, kNone);
    std::string key;
    for (std::size_t c = 0; c < count; ++c) {
        FoldedParentKey(ownElement[c], messages[c].Chain, key);
        if (key.size() >= 2) {
            parent[c] = byId.Find(key);
        }
        ReportStep(progress, c + 1);
    }
    ReportPhase(progress, 3);

    // Each message's chain (its own subject element followed by property 10) settles to its
    // parent's settled chain followed by the parent's Message-ID. It keeps its own chain when
    // that already equals it ignoring case. The key is the first element of the chain, so it
    // comes from the message whose own chain was kept (keyOwner[x] == x: its settled chain is
    // its own). Settled chains are never built: a message's own chain is compared from its
    // end with the Message-IDs of its ancestors, up to the first one that kept its own chain.
    // Every ancestor's ID is at least 2 characters long (it matched a parent key), so the
    // comparison costs no more than the length of the message's own chain.
    std::vector<std::size_t> keyOwner(count);
    std::string mine; // a message's own chain, folded
    const auto keepsOwnChain = [&](std::size_t y) {
        mine.clear();
        AppendFolded(mine, ownElement[y]);
        AppendFolded(mine, messages[y].Chain);
        std::size_t pos = mine.size();
        for (std::size_t x = parent[y];; x = parent[x]) {
            const std::string_view id = foldedIds[x];
            if (id.size() > pos || mine.compare(pos - id.size(), id.size(), id) != 0) {
                return false;
            }
            pos -= id.size();
            if (keyOwner[x] == x) {
                return EqualsFolded(std::string_view(mine).substr(0, pos), ownElement[x], messages[x].Chain);
            }
        }
    };
    std::vector<unsigned char> state(count, 0); // 0 new, 1 on the path, 2 settled
    std::vector<std::size_t> pathPos(count, 0);
    std::vector<std::size_t> path;
    const auto makeTop = [&](std::size_t x) {
        keyOwner[x] = x;
        state[x] = 2;
    };
    for (std::size_t c = 0; c < count; ++c) {
        path.clear();
        std::size_t x = c;
        while (state[x] != 2) {
            if (state[x] == 1) {
                // A cycle of parent links: every message on it is the top of its conversation.
                for (std::size_t i = pathPos[x]; i < path.size(); ++i) {
                    makeTop(path[i]);
                }
                path.resize(pathPos[x]);
                break;
            }
            state[x] = 1;
            pathPos[x] = path.size();
            path.push_back(x);
            if (parent[x] == kNone) {
                path.pop_back();
                makeTop(x);
                break;
            }
            x = parent[x];
        }
        for (std::size_t i = path.size(); i-- > 0;) {
            const std::size_t y = path[i];
            keyOwner[y] = keepsOwnChain(y) ? y : keyOwner[parent[y]];
            state[y] = 2;
        }
        ReportStep(progress, c + 1);
    }
    ReportPhase(progress, 4);

    // Copies for the messages that take another's key first, then each own element moves to
    // its message.
    std::vector<std::string> keys(count);
    for (std::size_t c = 0; c < count; ++c) {
        if (keyOwner[c] != c) {
            keys[c] = ownElement[keyOwner[c]];
        }
    }
    for (std::size_t c = 0; c < count; ++c) {
        if (keyOwner[c] == c) {
            keys[c] = std::move(ownElement[c]);
        }
    }
    ReportPhase(progress, 5);
    return keys;
}

} // namespace glanmail
