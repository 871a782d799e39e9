// Conversations: the keys, where the rule surprises, and random tables against chains built in
// full; the list's order against a plain recursive quicksort drawing the same pivots.
#include "common/Text.h"
#include "reader/ConversationKeys.h"
#include "reader/SortMsgTable.h"

#include <cctype>
#include <functional>
#include <gtest/gtest.h>
#include <random>

namespace glanmail {
namespace {

const std::string kNoSubjectKey = std::string("(Objet non pr\xE9") + "cis\xE9) ";
using Keys = std::vector<std::string>;

TEST(ConversationKeys, TheRulesCases) {
    EXPECT_EQ(StandardSubject("  a <b> c  "), "a _b_ c");
    EXPECT_EQ(StandardSubject(std::string(60, 'x')), std::string(50, 'x'));
    EXPECT_EQ(StandardSubject("   "), kNoSubjectKey);
    const std::string none1 = "<" + kNoSubjectKey + "00001>", none2 = "<" + kNoSubjectKey + "00002>";
    const std::pair<std::vector<ThreadInput>, Keys> rows[] = {
        // Three generations listed child first, the reply with its own subject; a parent outside the store.
        {{{"Petit", "<c>", "<a><b>"}, {"Autre", "<b>", "<a>"}, {"Grand", "<a>", ""}, {"S", "<1>", "<absent>"}},
         {"<Grand>", "<Grand>", "<Grand>", "<S>"}},
        // Messages without subject are numbered by position; an empty key stays empty.
        {{{kNoSubjectKey, "<1>", ""}, {kNoSubjectKey, "<2>", ""}, {"", "<3>", ""}, {"x", "<5>", "<2>"}},
         {none1, none2, "<>", none2}},
        // A chain that already spells its ancestry, ignoring case, keeps its own key; a partial one does not.
        {{{"Hello", "<r>", ""}, {"hello", "<c>", "<R>"}}, {"<Hello>", "<hello>"}},
        {{{"Hello", "<r>", "<gone>"}, {"hello", "<c>", "<r>"}}, {"<Hello>", "<Hello>"}},
        // Each message on a cycle of parents heads its conversation; replies to one take its key.
        {{{"Moi", "<m>", "<m>"}, {"Un", "<1>", "<2>"}, {"Deux", "<2>", "<1>"}, {"F", "<f>", "<1>"}, {"P", "<", "<f>"}},
         {"<Moi>", "<Un>", "<Deux>", "<Un>", "<Un>"}},
    };
    for (const auto& [in, keys] : rows) {
        EXPECT_EQ(ResolveThreadKeys(in), keys) << in[0].SubjectKey;
    }
    std::vector<ThreadInput> deep; // 20000 generations listed youngest first
    for (int i = 20000; i-- > 0;) {
        deep.push_back(
            {"S" + std::to_string(i), "<" + std::to_string(i) + ">", i ? "<" + std::to_string(i - 1) + ">" : ""});
    }
    EXPECT_EQ(ResolveThreadKeys(deep), Keys(deep.size(), "<S0>"));
}

// Every chain built as a string: the parent is the first message whose ID equals the chain's last
// element (ignoring case); a message on a cycle or without parent keeps its chain; any other
// settles to its parent's settled chain plus the parent's ID, and keeps its own key when its own
// chain already equals that. Gives the keys and the settled chains.
std::pair<Keys, Keys> Reference(const std::vector<ThreadInput>& in) {
    const std::size_t n = in.size(), none = in.size();
    Keys own(n), initial(n), settled(n), keys;
    std::vector<std::size_t> parent(n, none), owner(n);
    for (std::size_t c = 0; c < n; ++c) {
        const std::string number = std::to_string(100000 + c + 1).substr(1);
        own[c] = "<" + in[c].SubjectKey + (in[c].SubjectKey == kNoSubjectKey ? number : "") + ">";
        initial[c] = own[c] + in[c].Chain;
        const std::string key =
            initial[c].substr(initial[c].rfind("><") == std::string::npos ? 0 : initial[c].rfind("><") + 1);
        for (std::size_t j = 0; key.size() >= 2 && j < n && parent[c] == none; ++j) {
            parent[c] = text::EqualsIgnoreCase(in[j].MessageId, key) ? j : none;
        }
    }
    std::function<void(std::size_t)> settle = [&](std::size_t x) {
        std::size_t y = parent[x]; // on a cycle when the parents lead back to x
        for (std::size_t steps = 0; y != none && y != x && steps < n; ++steps) {
            y = parent[y];
        }
        if (parent[x] == none || y == x) {
            settled[x] = initial[x];
            owner[x] = x;
            return;
        }
        settle(parent[x]);
        settled[x] = settled[parent[x]] + in[parent[x]].MessageId;
        owner[x] = text::EqualsIgnoreCase(settled[x], initial[x]) ? x : owner[parent[x]];
    };
    for (std::size_t c = 0; c < n; ++c) {
        settle(c);
        keys.push_back(own[owner[c]]);
    }
    return {keys, settled};
}

TEST(ConversationKeys, SameKeysAsChainsBuiltInFull) {
    std::mt19937 gen(11);
    const Keys subjects = {"Sujet", "SUJET", "sujet", "Autre", "", kNoSubjectKey, "<x>"};
    const Keys ids = {"<a>", "<A>", "<b>", "<c>", "<C>", "<d>", "<e>", "", "<"};
    for (int round = 0; round < 3000; ++round) {
        std::vector<ThreadInput> in(1 + gen() % 9);
        for (ThreadInput& m : in) {
            m.SubjectKey = subjects[gen() % subjects.size()];
            m.MessageId = ids[gen() % ids.size()];
        }
        for (ThreadInput& m : in) {
            for (std::size_t e = gen() % 4; e-- > 0;) { // often a real ancestry: IDs of the table
                m.Chain += gen() % 3 == 0 ? ids[gen() % ids.size()] : in[gen() % in.size()].MessageId;
            }
            if (gen() % 5 == 0) { // a chain that spells some message's settled chain, in other letter case
                const std::size_t j = gen() % in.size();
                std::string spelled = Reference(in).second[j] + in[j].MessageId;
                for (char& ch : spelled) {
                    ch = gen() % 2 ? static_cast<char>(std::toupper(static_cast<unsigned char>(ch))) : ch;
                }
                m.Chain = spelled.substr(spelled.find('>') + 1);
                m.SubjectKey = "SUJET";
            }
        }
        ASSERT_EQ(ResolveThreadKeys(in), Reference(in).first) << "round " << round;
    }
}

// The quicksort in its plain form, entry by entry, its pivots drawn from a fixed-seed generator.
void ReferenceSort(std::vector<MsgEntry>& t, std::int64_t lo, std::int64_t hi, std::mt19937& random) {
    const auto at = [&t](std::int64_t i) -> MsgEntry& { return t[static_cast<std::size_t>(i)]; };
    if (lo >= hi) {
        return;
    }
    const std::int64_t p = lo + static_cast<std::int64_t>((random() * static_cast<std::uint64_t>(hi - lo + 1)) >> 32);
    const MsgEntry pivot = at(p);
    const auto below = [&](std::int64_t i) { return text::CompareIgnoreCase(at(i).ThreadKey, pivot.ThreadKey) < 0; };
    at(p) = at(lo);
    std::int64_t a = lo, b = hi;
    while (true) {
        while (!below(b) && --b > a) {
        }
        if (b <= a) {
            break;
        }
        at(a++) = at(b);
        while (below(a) && ++a < b) {
        }
        if (a >= b) {
            a = b;
            break;
        }
        at(b) = at(a);
    }
    at(a) = pivot;
    ReferenceSort(t, lo, a - 1, random);
    ReferenceSort(t, a + 1, hi, random);
}

// Few keys, equal ones included; then thousands of keys, some prefixes of others, in several letter cases;
// then a long run of equal keys.
TEST(SortMsgTable, SameOrderAsTheRecursiveQuicksort) {
    std::mt19937 gen(42);
    const char* few[] = {"<a>", "<B>", "<b>", "<c>", "<\xC9t\xE9>", "<\xE9T\xC9>", "<>"};
    for (int round = 0; round < 202; ++round) {
        std::vector<MsgEntry> expected(round < 200 ? gen() % 60
                                                   : static_cast<std::size_t>(4000 - 2500 * (round - 200)));
        const std::size_t distinct = round == 201 ? 1 : 1 + gen() % 7;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const std::string key =
                "<Sujet " + std::to_string(gen() % 400) + (gen() % 3 ? ">" : " r\xC9union \xE9t\xE9");
            expected[i] = {1,  std::to_string(i),
                           "", "",
                           "", round != 200 ? few[gen() % distinct] : gen() % 3 ? key : text::Folded(key)};
        }
        std::vector<MsgEntry> actual = expected;
        std::mt19937 random(5489);
        ReferenceSort(expected, 0, static_cast<std::int64_t>(expected.size()) - 1, random);
        SortMsgTable(actual);
        for (std::size_t i = 0; i < actual.size(); ++i) {
            ASSERT_EQ(actual[i].Subject, expected[i].Subject) << "row " << i << ", round " << round;
        }
    }
}

} // namespace
} // namespace glanmail
