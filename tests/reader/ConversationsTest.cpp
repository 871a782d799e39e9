// Conversations: the keys, where the rule surprises; the list's order.
#include "reader/ConversationKeys.h"
#include "reader/SortMsgTable.h"

#include <gtest/gtest.h>

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
        {{{"Hello", "<r>", ""}, {"hello", "<c>", "<X><r>"}}, {"<Hello>", "<Hello>"}},
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

// The list's order: keys compared ignoring case, and among equal keys the order the quicksort's
// fixed pivots give, the same on every run (a run of equal keys at the end included).
TEST(SortMsgTable, KeysInOrderAndEqualKeysAsTheFixedPivotsLeaveThem) {
    const char* keys[] = {"<b>", "<a>", "<B>", "<\xC9t\xE9>", "<c>", "<>", "<\xE9T\xC9>"};
    std::vector<MsgEntry> table(24);
    for (int i = 0; i < 24; ++i) {
        table[static_cast<std::size_t>(i)].Subject = std::string(1, static_cast<char>('a' + i));
        table[static_cast<std::size_t>(i)].ThreadKey = i >= 21 ? "<a>" : keys[(i * 3 + i / 4) % 7];
    }
    SortMsgTable(table);
    std::string order;
    for (const MsgEntry& e : table) {
        order += e.Subject;
    }
    EXPECT_EQ(order, "tgiwhvxjausndlfmkeocqprb");
}

} // namespace
} // namespace glanmail
