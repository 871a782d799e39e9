#include "output/SaveNaming.h"
#include "output/StandardName.h"

#include <gtest/gtest.h>

namespace glanmail {
namespace {

TEST(StandardNameTest, ReplacesWhatAFileNameCannotHold) {
    const std::pair<std::string, std::string> rows[] = {
        {"Quoi ? O\xF9 ?", "Quoi_O\xF9"},
        {"???", "___"},
        {"L'\xE9t\xE9", "L_\xE9t\xE9"},
        {"a : b", "a_b"},
        {"a :b", "a_b"},
        {"R\xE9union/ordre du jour", "R\xE9union_ordre du jour"},
        {"x*y\\z<w>v|u\"t", "x_y_z_w_v_u_t"},
        {"trailing.  ", "trailing.  "},
        {"fin__", "fin"},
        {"", ""},
    };
    for (const auto& [in, out] : rows) {
        EXPECT_EQ(StandardName(in), out) << in;
    }
}

TEST(SaveNamingTest, StoreFolderTailAndExtension) {
    EXPECT_EQ(StoreFolderPart("/mail/Inbox.dbx"), "/Inbox");
    EXPECT_EQ(StoreFolderPart("Bo\xC3\xAEte.dbx"), "/Bo\xC3\xAEte"); // characters, not bytes
    EXPECT_EQ(StoreFolderPart("abc"), "/abc");

    EXPECT_EQ(NameTail(OutputFlags::AllTxt(), OutputMode::Single, "20040315 142530", "txt"), "_20040315 142530.txt");
    EXPECT_EQ(NameTail(OutputFlags::AllTxt(), OutputMode::First, "20040315 142530", "txt"), ".txt");
    EXPECT_EQ(NameTail(OutputFlags::ModNws(), OutputMode::Single, "20040315 142530", "eml"), "_m_20040315 142530.eml");

    EXPECT_EQ(Extension(OutputFlags::AllTxt(), "X: 1\r\nNewsgroups: a\r\n"), "txt");
    EXPECT_EQ(Extension(OutputFlags::AllNws(), "X: 1\r\nnewsgroups: a\r\n"), "nws");
    EXPECT_EQ(Extension(OutputFlags::AllNws(), "Newsgroups: a\r\n"), "eml");

    EXPECT_EQ(CharCount("\xC3\xA9t\xC3\xA9"), 3u);
    EXPECT_EQ(Utf8Length("\xE9\x80x"), 6u); // é: 2 bytes, €: 3, x: 1
    EXPECT_EQ(CutName("\xE9\xE9\xE9", 10, 250), "\xE9\xE9");
    EXPECT_EQ(CutName("abc", 2, 0), "ab");
}

} // namespace
} // namespace glanmail
