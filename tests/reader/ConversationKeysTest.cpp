#include "reader/ConversationKeys.h"

#include "common/Text.h"

#include <cctype>
#include <chrono>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <random>

namespace glanmail {
namespace {

const std::string kNoSubjectKey = "(Objet non pr\xE9"
                                  "cis\xE9) ";

TEST(StandardSubject, TrimsCutsAndReplacesAngleBrackets) {
    EXPECT_EQ(StandardSubject("  Bonjour  "), "Bonjour");
    EXPECT_EQ(StandardSubject("a <b> c"), "a _b_ c");
    EXPECT_EQ(StandardSubject(std::string(60, 'x')), std::string(50, 'x'));
    EXPECT_EQ(StandardSubject("   "), kNoSubjectKey);
    EXPECT_EQ(StandardSubject(""), kNoSubjectKey);
}

std::vector<std::string> Keys(const std::vector<ThreadInput>& in) {
    return ResolveThreadKeys(in);
}

TEST(ConversationKeys, RepliesTakeTheirTopAncestorsKey) {
    // Three generations listed child first, the reply with its own subject.
    const auto keys = Keys({{"Petit", "<c@x>", "<a@x><b@x>"},
                            {"Autre sujet", "<b@x>", "<a@x>"},
                            {"Grand", "<a@x>", ""},
                            {"Seul", "<d@x>", ""}});
    EXPECT_EQ(keys, (std::vector<std::string>{"<Grand>", "<Grand>", "<Grand>", "<Seul>"}));
}

TEST(ConversationKeys, ParentsOutsideTheStore) {
    const auto keys = Keys({{"Sujet", "<1>", "<absent>"}, {"Sujet", "<2>", "<absent>"}, {"SUJET", "<3>", "<autre>"}});
    EXPECT_EQ(keys[0], "<Sujet>");
    EXPECT_EQ(keys[1], "<Sujet>");
    EXPECT_EQ(keys[2], "<SUJET>"); // equal ignoring case: sorted together
}

TEST(ConversationKeys, EmptyAndMissingSubjects) {
    const auto keys = Keys({{kNoSubjectKey, "<1>", ""},
                            {kNoSubjectKey, "<2>", ""},
                            {"", "<3>", ""},
                            {"", "<4>", ""},
                            {"x", "<5>", "<2>"}});
    EXPECT_EQ(keys[0], "<" + kNoSubjectKey + "00001>");
    EXPECT_EQ(keys[1], "<" + kNoSubjectKey + "00002>");
    EXPECT_EQ(keys[2], "<>");
    EXPECT_EQ(keys[3], "<>");
    EXPECT_EQ(keys[4], keys[1]);
}

TEST(ConversationKeys, LookupIgnoresCaseAndTheFirstCopyWins) {
    const auto keys = Keys({{"Premier", "<dup@x>", ""}, {"Second", "<DUP@x>", ""}, {"r", "<r>", "<Dup@X>"}});
    EXPECT_EQ(keys[2], "<Premier>");
    EXPECT_EQ(keys[1], "<Second>");
}

TEST(ConversationKeys, AChainThatAlreadySpellsItsAncestryKeepsItsOwnElement) {
    // The reply's chain equals, ignoring case, its parent's chain followed by the parent's ID:
    // no pass changes it, so its key keeps its own letter case.
    const auto full = Keys({{"Hello", "<r>", ""}, {"hello", "<c>", "<r>"}});
    EXPECT_EQ(full[1], "<hello>");
    // An incomplete chain is replaced by the parent's.
    const auto partial = Keys({{"Hello", "<r>", "<gone>"}, {"hello", "<c>", "<r>"}});
    EXPECT_EQ(partial[1], "<Hello>");
}

TEST(ConversationKeys, ParentCyclesEnd) {
    // A message that answers itself, and two that answer each other: each message on the
    // cycle heads its conversation; a reply to one of them takes that one's key.
    const auto keys = Keys({{"Moi", "<m>", "<m>"},
                            {"Un", "<1>", "<2>"},
                            {"Deux", "<2>", "<1>"},
                            {"Fils", "<f>", "<1>"},
                            {"Petit-fils", "<g>", "<f>"}});
    EXPECT_EQ(keys, (std::vector<std::string>{"<Moi>", "<Un>", "<Deux>", "<Un>", "<Un>"}));
}

TEST(ConversationKeys, ParentKeyShorterThanTwoCharactersIsNotLookedUp) {
    const auto keys = Keys({{"A", "<", ""}, {"B", "<b>", "<x><"}});
    EXPECT_EQ(keys[1], "<B>");
}

// The resolution with every chain built as a string: the parent is the first message whose ID
// equals the last element of "<" + subject key + ">" + chain (ignoring case); a message on a
// cycle of parent links, or without a parent, keeps its own chain; any other settles to its
// parent's settled chain followed by the parent's ID, and keeps its own key when its own chain
// already equals that, ignoring case.
struct Resolved {
    std::vector<std::string> keys;
    std::vector<std::string> settled; // each message's chain once resolved
    std::size_t ownKeys = 0;          // messages with a parent that kept their own key
};

Resolved Reference(const std::vector<ThreadInput>& in) {
    const std::size_t n = in.size();
    constexpr std::size_t kNoParent = static_cast<std::size_t>(-1);
    std::vector<std::string> own(n);
    std::vector<std::string> initial(n);
    std::vector<std::size_t> parent(n, kNoParent);
    for (std::size_t c = 0; c < n; ++c) {
        std::string s = in[c].SubjectKey;
        if (s == kNoSubjectKey) {
            char number[24];
            std::snprintf(number, sizeof number, "%05zu", c + 1);
            s += number;
        }
        own[c] = "<" + s + ">";
        initial[c] = own[c] + in[c].Chain;
    }
    for (std::size_t c = 0; c < n; ++c) {
        const std::size_t p = initial[c].rfind("><");
        const std::string key = p == std::string::npos ? initial[c] : initial[c].substr(p + 1);
        for (std::size_t j = 0; key.size() >= 2 && j < n; ++j) {
            if (text::EqualsIgnoreCase(in[j].MessageId, key)) {
                parent[c] = j;
                break;
            }
        }
    }
    const auto onCycle = [&](std::size_t x) {
        std::size_t y = parent[x];
        for (std::size_t steps = 0; y != kNoParent && steps <= n; ++steps, y = parent[y]) {
            if (y == x) {
                return true;
            }
        }
        return false;
    };
    std::vector<std::string> settled(n);
    std::vector<std::size_t> owner(n);
    std::vector<bool> done(n, false);
    std::function<void(std::size_t)> settle = [&](std::size_t x) {
        if (done[x]) {
            return;
        }
        done[x] = true;
        if (parent[x] == kNoParent || onCycle(x)) {
            settled[x] = initial[x];
            owner[x] = x;
            return;
        }
        settle(parent[x]);
        settled[x] = settled[parent[x]] + in[parent[x]].MessageId;
        owner[x] = text::EqualsIgnoreCase(settled[x], initial[x]) ? x : owner[parent[x]];
    };
    Resolved r;
    for (std::size_t c = 0; c < n; ++c) {
        settle(c);
        r.keys.push_back(own[owner[c]]);
        r.ownKeys += owner[c] == c && parent[c] != kNoParent && !onCycle(c) ? 1 : 0;
    }
    r.settled = settled;
    return r;
}

TEST(ConversationKeys, SameKeysAsChainsBuiltInFull) {
    // Small tables of IDs in mixed case, duplicates, absent parents, full and partial chains,
    // cycles and empty subjects.
    std::mt19937 gen(11);
    const std::vector<std::string> subjects = {"Sujet", "SUJET", "sujet", "Autre", "", kNoSubjectKey, "<x>"};
    const std::vector<std::string> ids = {"<a>", "<A>", "<b>", "<c>", "<C>", "<d>", "<e>", "", "<"};
    std::size_t ownKeys = 0;
    for (int round = 0; round < 3000; ++round) {
        const std::size_t n = 1 + gen() % 9;
        std::vector<ThreadInput> in(n);
        for (ThreadInput& m : in) {
            m.SubjectKey = subjects[gen() % subjects.size()];
            m.MessageId = ids[gen() % ids.size()];
        }
        for (std::size_t c = 0; c < n; ++c) {
            const std::size_t elements = gen() % 4;
            for (std::size_t e = 0; e < elements; ++e) {
                // Often a real ancestry: the IDs of other messages of the table.
                in[c].Chain += gen() % 3 == 0 ? ids[gen() % ids.size()] : in[gen() % n].MessageId;
            }
            if (gen() % 5 == 0) {
                // A chain that spells the settled chain of its parent, in other letter case.
                const std::size_t j = gen() % n;
                std::string spelled = Reference(in).settled[j] + in[j].MessageId;
                for (char& ch : spelled) {
                    ch = gen() % 2 == 0 ? static_cast<char>(std::toupper(static_cast<unsigned char>(ch))) : ch;
                }
                in[c].Chain = spelled.substr(spelled.find('>') + 1);
                in[c].SubjectKey = "SUJET";
            }
        }
        const Resolved expected = Reference(in);
        ASSERT_EQ(Keys(in), expected.keys) << "round " << round;
        ownKeys += expected.ownKeys;
    }
    EXPECT_GT(ownKeys, 100u); // the case that needs the comparison of chains came up
}

TEST(ConversationKeys, DeepConversationInReverseOrderIsLinear) {
    constexpr int kDepth = 20000;
    std::vector<ThreadInput> in;
    std::string chain;
    std::vector<std::string> chains;
    for (int i = 0; i < kDepth; ++i) {
        chains.push_back(i == 0 ? "" : "<" + std::to_string(i - 1) + ">");
    }
    for (int i = kDepth; i-- > 0;) {
        in.push_back({"S" + std::to_string(i), "<" + std::to_string(i) + ">", chains[static_cast<std::size_t>(i)]});
    }
    const auto start = std::chrono::steady_clock::now();
    const auto keys = Keys(in);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    for (const std::string& k : keys) {
        ASSERT_EQ(k, "<S0>");
    }
}

} // namespace
} // namespace glanmail
