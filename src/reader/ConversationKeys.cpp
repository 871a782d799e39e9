#include "reader/ConversationKeys.h"

#include "common/Text.h"

#include <cstdint>
#include <cstdio>
#include <functional>

namespace glanmail {
namespace {

const char* const kNoSubjectKey = "(Objet non pr\xE9"
                                  "cis\xE9) ";

// Polynomial hashes modulo 2^61 - 1 of folded text, two bases, so that chains (which can
// grow with the depth of a conversation) are compared without being built.
constexpr std::uint64_t kMod = (std::uint64_t{1} << 61) - 1;
constexpr std::uint64_t kBases[2] = {1000003, 911382323};

__extension__ using Wide = unsigned __int128;

std::uint64_t MulMod(std::uint64_t a, std::uint64_t b) {
    const Wide p = static_cast<Wide>(a) * b;
    std::uint64_t r = static_cast<std::uint64_t>(p & kMod) + static_cast<std::uint64_t>(p >> 61);
    if (r >= kMod) {
        r -= kMod;
    }
    return r;
}

std::uint64_t PowMod(std::uint64_t base, std::uint64_t e) {
    std::uint64_t r = 1;
    while (e > 0) {
        if ((e & 1) != 0) {
            r = MulMod(r, base);
        }
        base = MulMod(base, base);
        e >>= 1;
    }
    return r;
}

struct ChainHash {
    std::uint64_t h[2] = {0, 0};
    std::uint64_t length = 0;

    bool operator==(const ChainHash& o) const { return length == o.length && h[0] == o.h[0] && h[1] == o.h[1]; }

    void Append(std::string_view s) {
        for (int b = 0; b < 2; ++b) {
            for (const char c : s) {
                h[b] = (MulMod(h[b], kBases[b]) + text::Fold(static_cast<unsigned char>(c)) + 1) % kMod;
            }
        }
        length += s.size();
    }
    // This chain followed by a text whose own hash is tail.
    ChainHash Then(const ChainHash& tail) const {
        ChainHash r;
        for (int b = 0; b < 2; ++b) {
            r.h[b] = (MulMod(h[b], PowMod(kBases[b], tail.length)) + tail.h[b]) % kMod;
        }
        r.length = length + tail.length;
        return r;
    }
};

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// The first message (in table order) of each folded Message-ID: open addressing over the
// IDs themselves, so a lookup costs a hash and one or two probes.
class IdIndex {
public:
    explicit IdIndex(const std::vector<std::string>& ids) : ids_(ids) {
        std::size_t size = 16;
        while (size < 2 * ids.size()) {
            size *= 2;
        }
        slots_.assign(size, kNone);
        for (std::size_t c = 0; c < ids.size(); ++c) {
            const std::size_t at = SlotOf(ids[c]);
            if (slots_[at] == kNone) {
                slots_[at] = c;
            }
        }
    }
    std::size_t Find(std::string_view id) const { return slots_[SlotOf(id)]; }

private:
    // The slot holding id, or the empty slot where it would go.
    std::size_t SlotOf(std::string_view id) const {
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = std::hash<std::string_view>{}(id)&mask;; i = (i + 1) & mask) {
            if (slots_[i] == kNone || ids_[slots_[i]] == id) {
                return i;
            }
        }
    }
    const std::vector<std::string>& ids_;
    std::vector<std::size_t> slots_;
};

ChainHash HashOf(std::string_view s) {
    ChainHash r;
    r.Append(s);
    return r;
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

std::vector<std::string> ResolveThreadKeys(const std::vector<ThreadInput>& messages) {
    const std::size_t count = messages.size();
    std::vector<std::string> ownElement(count); // "<" + subject key + ">"
    std::vector<ChainHash> initial(count);      // the message's chain before any pass
    std::vector<ChainHash> idHash(count);
    std::vector<std::string> foldedIds(count);
    for (std::size_t c = 0; c < count; ++c) {
        const ThreadInput& m = messages[c];
        std::string s = m.SubjectKey;
        if (s == kNoSubjectKey) {
            char number[24];
            std::snprintf(number, sizeof number, "%05zu", c + 1);
            s += number;
        }
        ownElement[c] = "<" + s + ">";
        initial[c] = HashOf(ownElement[c]);
        initial[c].Append(m.Chain);
        idHash[c] = HashOf(m.MessageId);
        foldedIds[c] = text::Folded(m.MessageId);
    }

    // The parent: the last element of the chain, looked up among the Message-IDs.
    const IdIndex byId(foldedIds);
    std::vector<std::size_t> parent(count, kNone);
    for (std::size_t c = 0; c < count; ++c) {
        // The chain starts with the message's own subject element; the parent key is its
        // last element (everything after the last "><"), or the whole chain without one.
        const std::string chain = ownElement[c] + messages[c].Chain;
        const std::size_t p = chain.rfind("><");
        const std::string parentKey = p == std::string::npos ? chain : chain.substr(p + 1);
        if (parentKey.size() < 2) {
            continue;
        }
        parent[c] = byId.Find(text::Folded(parentKey));
    }

    // Each message's chain settles to its parent's chain followed by the parent's Message-ID.
    // It keeps its own chain when that already equals it ignoring case. The key is the first
    // element of the chain, so it comes from the message whose own chain was kept.
    std::vector<std::size_t> keyOwner(count);
    std::vector<ChainHash> settled(count);
    std::vector<unsigned char> state(count, 0); // 0 new, 1 on the path, 2 settled
    std::vector<std::size_t> pathPos(count, 0);
    std::vector<std::size_t> path;
    const auto makeTop = [&](std::size_t x) {
        keyOwner[x] = x;
        settled[x] = initial[x];
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
            const std::size_t j = parent[y];
            const ChainHash target = settled[j].Then(idHash[j]);
            keyOwner[y] = target == initial[y] ? y : keyOwner[j];
            settled[y] = target;
            state[y] = 2;
        }
    }

    std::vector<std::string> keys(count);
    for (std::size_t c = 0; c < count; ++c) {
        keys[c] = ownElement[keyOwner[c]];
    }
    return keys;
}

} // namespace glanmail
