#include "common/Text.h"

#include <gtest/gtest.h>

namespace glanmail::text {
namespace {

TEST(Text, FoldsWindows1252LettersButNotSigns) {
    // A É × ß Š Œ Ž Ÿ Ã [ : × and [ are no letters, ß has no capital.
    const std::string given = "A\xC9\xD7\xDF\x8A\x8C\x8E\x9F\xC3[", folded = "a\xE9\xD7\xDF\x9A\x9C\x9E\xFF\xE3[";
    for (std::size_t i = 0; i < given.size(); ++i) {
        EXPECT_EQ(Fold(static_cast<unsigned char>(given[i])), static_cast<unsigned char>(folded[i])) << i;
    }
}

TEST(Text, FindsIgnoringCase) {
    EXPECT_EQ(Find("abc Content-TYPE: x", "content-type:"), 4u);
    EXPECT_EQ(Find("\xC9t\xC9", "\xE9t\xE9"), 0u);
    EXPECT_EQ(Find("aaa", "a", 2), 2u);
    EXPECT_EQ(Find("aaa", "a", 3), npos);
    EXPECT_EQ(Find("ab", "abc"), npos);
    EXPECT_EQ(Find("ab", "", 1), 1u);
    EXPECT_EQ(Find("tT Tt tx", "TX"), 6u);         // false starts in both letter cases
    EXPECT_EQ(Find("\xFF\x9F\x9Fz", "\xFFZ"), 2u); // ÿ and Ÿ
    EXPECT_EQ(FindFolded("xA", "A"), npos);        // a needle not in folded form matches nothing
    EXPECT_EQ(FindLast("x\r\n\r\ny\r\n\r\nz", "\r\n\r\n"), 6u);
    EXPECT_EQ(FindLast("abcabc", "ABC", 5), 0u);
    EXPECT_EQ(FindLast("abcabc", "abc", 6), 3u);
    EXPECT_EQ(FindLast("ab", "abc"), npos);
}

TEST(Text, ReplacesLeftToRightWithoutRescanning) {
    EXPECT_EQ(ReplaceAll("Re: RE: Hello re: you", "Re: ", ""), "Hello you");
    EXPECT_EQ(ReplaceAll("aaaa", "aa", "a"), "aa");
    EXPECT_EQ(ReplaceAll("=3D3D", "=3d", "="), "=3D");
    EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
    // In place, shorter, equal and longer replacements agree with the copying form.
    for (const char* from : {"=0A", "=0d=0a", "aa", "\r\n"}) {
        for (const char* to : {"", "\r\n", "xyz1234"}) {
            std::string s = "=0A=0D=0Aaaa\r\n\r\n=0aA x";
            const std::string expected = ReplaceAll(s, from, to);
            ReplaceAllInPlace(s, from, to);
            EXPECT_EQ(s, expected) << from << " -> " << to;
        }
    }
}

TEST(Text, ComparesAndTrims) {
    EXPECT_TRUE(EqualsIgnoreCase("<Sujet>", "<SUJET>"));
    EXPECT_FALSE(EqualsIgnoreCase("a", "ab"));
    EXPECT_LT(CompareIgnoreCase("a", "B"), 0);
    EXPECT_GT(CompareIgnoreCase("ab", "A"), 0);
    EXPECT_EQ(TrimSpaces("  a b  "), "a b");
    EXPECT_EQ(TrimSpaces("   "), "");
    EXPECT_TRUE(EndsWithIgnoreCase("Inbox.DBX", ".dbx"));
}

} // namespace
} // namespace glanmail::text
