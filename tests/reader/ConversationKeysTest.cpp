#include "reader/ConversationKeys.h"

#include <chrono>
#include <gtest/gtest.h>

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
