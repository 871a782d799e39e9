// A group of rules is a list of whole-text replace-alls applied in order, each on the result of
// the one before and without rescanning its own output. Every match of these groups is a short
// pattern made into one byte, and no two matches present at the same time overlap. When no
// output can take part in a later match, every match is replaced in one pass. Otherwise the
// affected stretch of text is rewritten rule by rule, but each rule visits only the places where
// it matches: those present in the text at the start, and those that a replacement creates
// around its output byte. Each replacement removes at least one byte, so the work stays linear.
#include "content/EscapeGroups.h"

#include "content/DecodeScan.h"

#include <cstdint>
#include <vector>

namespace glanmail::escapes {
namespace {

using scan::At;
using scan::Bytes;
using scan::Ch;
using scan::Fold;
using scan::HexPairAt;

// The longest pattern of both groups: "=C0=BD".
constexpr std::size_t kLongest = 6;

// Length of the match, at the start of w, of the first rule (in the group's order) whose place
// in that order comes after `after`, with that place and the rule's output; 0 when none.
using MatchAfter = std::size_t (*)(std::string_view w, int after, int& order, char& out);

struct RuleGroup {
    Bytes alphabet{}; // every byte of every pattern, in both letter cases
    Bytes triggers{}; // the first bytes of the patterns
    int ruleCount = 0;
    MatchAfter matchAfter = nullptr;
};

// Rules 3(n - 0x80), 3(n - 0x80) + 1 and 3(n - 0x80) + 2: "=C0=" hex(n), "=C3=" hex(n), Ã n.
// Case folding makes Ã followed by š match the rule of Š (0x8A) as well as its own (0x9A), and
// Ã followed by ÿ the rule of Ÿ (0x9F).
std::size_t Latin1MatchAfter(std::string_view w, int after, int& order, char& out) {
    if (w.empty()) {
        return 0;
    }
    if (w[0] == '=') {
        if (w.size() < 6 || w[3] != '=' || Fold(At(w, 1)) != 'c' || (w[2] != '0' && w[2] != '3')) {
            return 0;
        }
        const int v = HexPairAt(w, 4);
        if (v < 0x80 || v > 0xBF) {
            return 0;
        }
        const bool c0 = w[2] == '0';
        order = 3 * (v - 0x80) + (c0 ? 0 : 1);
        out = Ch(c0 ? v - 0x80 : v + 0x40);
        return order > after ? 6 : 0;
    }
    if (Fold(At(w, 0)) != 0xE3 || w.size() < 2) {
        return 0;
    }
    // The codes n from 0x80 to 0xBF that the byte after Ã stands for, ignoring case, in order.
    const int b = At(w, 1);
    int codes[2] = {-1, -1};
    if ((b >= 0x8A && b <= 0x8E && b % 2 == 0) || (b >= 0x9A && b <= 0x9E && b % 2 == 0)) {
        codes[0] = b < 0x90 ? b : b - 0x10;
        codes[1] = codes[0] + 0x10;
    } else if (b == 0x9F || b == 0xFF) {
        codes[0] = 0x9F;
    } else if (b >= 0x80 && b <= 0xBF) {
        codes[0] = b;
    }
    for (const int n : codes) {
        if (n >= 0 && 3 * (n - 0x80) + 2 > after) {
            order = 3 * (n - 0x80) + 2;
            out = Ch(n + 0x40);
            return 2;
        }
    }
    return 0;
}

const RuleGroup& Latin1Group() {
    static const RuleGroup group = [] {
        RuleGroup g;
        g.alphabet = scan::BytesOf("=0123456789ABCDEFabcdef\xC3\xE3\xFF");
        for (int c = 0x80; c <= 0xBF; ++c) {
            g.alphabet[static_cast<std::size_t>(c)] = true;
        }
        g.triggers = scan::BytesOf("=\xC3\xE3");
        g.ruleCount = 3 * 64;
        g.matchAfter = Latin1MatchAfter;
        return g;
    }();
    return group;
}

// Rule n - 0x80: "=C1=" hex(n), for n from 0x80 to 0x9F.
std::size_t C1MatchAfter(std::string_view w, int after, int& order, char& out) {
    if (!scan::MatchesAt(w, 0, "=c1=")) {
        return 0;
    }
    const int v = HexPairAt(w, 4);
    if (v < 0x80 || v > 0x9F || v - 0x80 <= after) {
        return 0;
    }
    order = v - 0x80;
    out = Ch(v - 0x40);
    return 6;
}

const RuleGroup& C1Group() {
    static const RuleGroup group = [] {
        RuleGroup g;
        g.alphabet = scan::BytesOf("=0123456789ABCDEFabcdef");
        g.triggers = scan::BytesOf("=");
        g.ruleCount = 32;
        g.matchAfter = C1MatchAfter;
        return g;
    }();
    return group;
}

// The first rule matching at p, with its output; 0 when none.
std::size_t FirstMatch(const RuleGroup& group, std::string_view s, std::size_t p, char& out) {
    if (!group.triggers[At(s, p)] ||
        (s[p] == '=' && (p + 3 >= s.size() || Fold(At(s, p + 1)) != 'c' || s[p + 3] != '='))) {
        return 0; // every escape pattern of both groups reads "=C", a digit, "=" and two more
    }
    int order = 0;
    return group.matchAfter(s.substr(p, kLongest), -1, order, out);
}

// The text as a list of bytes that replacements shorten, with the rules still to visit at each
// place.
class OrderedRewrite {
public:
    OrderedRewrite(const RuleGroup& group, std::string run)
        : group_(group), bytes_(std::move(run)), next_(bytes_.size()), prev_(bytes_.size()), writer_(bytes_.size(), 0),
          pending_(static_cast<std::size_t>(group.ruleCount)) {
        for (std::size_t i = 0; i < bytes_.size(); ++i) {
            next_[i] = i + 1 < bytes_.size() ? static_cast<std::uint32_t>(i + 1) : kNone;
            prev_[i] = i == 0 ? kNone : static_cast<std::uint32_t>(i - 1);
        }
        for (std::size_t i = 0; i < bytes_.size(); ++i) {
            if (group_.triggers[At(bytes_, i)]) {
                Queue(static_cast<std::uint32_t>(i), -1);
            }
        }
    }

    std::string Run() {
        for (int k = 0; k < group_.ruleCount; ++k) {
            // Visits of rule k only ever queue later rules, so the list does not grow meanwhile.
            std::vector<std::uint32_t>& visits = pending_[static_cast<std::size_t>(k)];
            for (const std::uint32_t q : visits) {
                Visit(q, k);
            }
            std::vector<std::uint32_t>().swap(visits);
        }
        std::string out;
        out.reserve(bytes_.size());
        for (std::uint32_t q = bytes_.empty() ? kNone : 0; q != kNone; q = next_[q]) {
            out += bytes_[q];
        }
        return out;
    }

private:
    static constexpr std::uint32_t kNone = UINT32_MAX;
    static constexpr std::uint8_t kRemoved = UINT8_MAX;

    // The live bytes from q on (at most kLongest), with their places.
    std::size_t Window(std::uint32_t q, char (&w)[kLongest], std::uint32_t (&at)[kLongest]) const {
        std::size_t len = 0;
        for (; len < kLongest && q != kNone; q = next_[q]) {
            at[len] = q;
            w[len++] = bytes_[q];
        }
        return len;
    }

    // Queues a visit at q for the first rule after `after` that matches there now.
    void Queue(std::uint32_t q, int after) {
        char w[kLongest] = {};
        std::uint32_t at[kLongest] = {};
        const std::size_t len = Window(q, w, at);
        int order = 0;
        char out = 0;
        if (group_.matchAfter(std::string_view(w, len), after, order, out) != 0) {
            pending_[static_cast<std::size_t>(order)].push_back(q);
        }
    }

    void Visit(std::uint32_t q, int k) {
        if (writer_[q] == kRemoved) {
            return;
        }
        char w[kLongest] = {};
        std::uint32_t at[kLongest] = {};
        const std::size_t len = Window(q, w, at);
        int order = 0;
        char out = 0;
        const std::size_t used = group_.matchAfter(std::string_view(w, len), k - 1, order, out);
        if (used == 0) {
            return;
        }
        if (order > k) {
            pending_[static_cast<std::size_t>(order)].push_back(q); // the text here changed since
            return;
        }
        for (std::size_t i = 0; i < used; ++i) {
            if (writer_[at[i]] == k + 1) {
                Queue(q, k); // a rule does not match its own output; a later one may
                return;
            }
        }
        bytes_[q] = out;
        writer_[q] = static_cast<std::uint8_t>(k + 1);
        for (std::size_t i = 1; i < used; ++i) {
            writer_[at[i]] = kRemoved;
        }
        const std::uint32_t after = next_[at[used - 1]];
        next_[q] = after;
        if (after != kNone) {
            prev_[after] = q;
        }
        // A match the replacement made holds its output byte, so it starts there or at one of
        // the bytes just before it.
        std::uint32_t start = q;
        for (std::size_t back = 0; back < kLongest && start != kNone; ++back, start = prev_[start]) {
            Queue(start, k);
        }
    }

    const RuleGroup& group_;
    std::string bytes_;
    std::vector<std::uint32_t> next_;
    std::vector<std::uint32_t> prev_;
    std::vector<std::uint8_t> writer_; // 1 + the rule whose output the byte is; 0 as given
    std::vector<std::vector<std::uint32_t>> pending_;
};

// Does some match of the group produce a byte of its alphabet (so that it may feed a later rule)?
bool FeedsItself(std::string_view s, const RuleGroup& group) {
    for (std::size_t p = 0; p < s.size(); ++p) {
        char c = 0;
        if (!group.triggers[At(s, p)]) {
            continue; // no match starts here: spares a call for most bytes of a text
        }
        if (FirstMatch(group, s, p, c) != 0 && group.alphabet[static_cast<unsigned char>(c)]) {
            return true;
        }
    }
    return false;
}

// No match can contain a byte outside the group's alphabet, and such bytes are never changed,
// so each maximal run of alphabet bytes is rewritten on its own. It is rewritten in one go when
// none of its matches produces an alphabet byte, and also when its matches cover it whole: a
// match made later would hold an output and a byte of a match still waiting, so the two
// patterns would overlap in part, and no two patterns of these groups can (an escape's second
// "=" is followed by 8, 9, A or B, never by the "C" that follows a first "=", and no byte after
// "Ã" is an "Ã"). Only other runs are rewritten rule by rule.
void ApplyGroup(std::string& s, std::string& spare, const RuleGroup& group) {
    if (!FeedsItself(s, group)) {
        // The usual case: every match is replaced in one go, and text without any stays as it is.
        scan::Pass(s, spare, group.triggers, [&](std::string_view t, std::size_t p, std::string& out) -> std::size_t {
            char c = 0;
            const std::size_t used = FirstMatch(group, t, p, c);
            if (used != 0) {
                out += c;
            }
            return used;
        });
        return;
    }
    const std::size_t n = s.size();
    bool changed = false;
    std::string& out = spare;
    out.clear();
    out.reserve(n);
    std::size_t p = 0;
    while (p < n) {
        const std::size_t start = p;
        const bool inAlphabet = group.alphabet[At(s, p)];
        while (p < n && group.alphabet[At(s, p)] == inAlphabet) {
            ++p;
        }
        if (!inAlphabet) {
            out.append(s, start, p - start);
            continue;
        }
        const std::size_t outStart = out.size();
        bool feeds = false;
        bool covered = true;
        for (std::size_t i = start; i < p;) {
            char c = 0;
            const std::size_t used = FirstMatch(group, std::string_view(s).substr(0, p), i, c);
            feeds = feeds || (used != 0 && group.alphabet[static_cast<unsigned char>(c)]);
            covered = covered && used != 0;
            changed = changed || used != 0;
            out += used != 0 ? c : s[i];
            i += used != 0 ? used : 1;
        }
        if (feeds && !covered) {
            out.resize(outStart);
            out += OrderedRewrite(group, s.substr(start, p - start)).Run();
        }
    }
    if (changed) {
        s.swap(out);
    }
}

} // namespace

void ApplyLatin1Rules(std::string& s, std::string& spare) {
    ApplyGroup(s, spare, Latin1Group());
}

void ApplyC1Rules(std::string& s, std::string& spare) {
    ApplyGroup(s, spare, C1Group());
}

} // namespace glanmail::escapes
